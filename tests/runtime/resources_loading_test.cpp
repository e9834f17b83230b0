// The class registry and its factories with classes made for the test; load resource: the order of
// the name look-up (current form, globals, files),
// references followed to the end, the fatal report, typed loaders, the file makers of the notation,
// and compiled copies of tables and forms.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config_test_support.h"
#include "image_test_support.h"
#include "media_writers/media_writers.h"
#include "runtime/class_registry.h"
#include "runtime/movie.h"
#include "runtime/resources.h"
#include "runtime/sound.h"
#include "value/buffer.h"
#include "value/builtins.h"
#include "value/encoding.h"
#include "value/list.h"
#include "value/makers.h"
#include "value/printer.h"
#include "value/reader.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::ConfiguredTest;

std::string bytesOf(const Value& v)
{
    std::vector<uint8_t> bytes = encodeToBytes(v);
    return std::string(bytes.begin(), bytes.end());
}

class ResourcesTest : public ConfiguredTest {
protected:
    void SetUp() override { ConfiguredTest::SetUp(), useScratchMediaRoot(); }
    Resources& resources() { return engine.resources(); }
    Table* currentFormTable()
    {
        Value data = Table::make();
        engine.setCurrentForm(engine.classes().createForm(data));
        return asTable(data);
    }
};

TEST_F(ResourcesTest, TextFilesLoadWhateverTheCaseOfTheirNameAndUnknownKindsGiveNil)
{
    disc.write("Media/Tabelas/Paises.tbl", "(table (\"Brasil\" 1) (\"Portugal\" 2))");
    Value upper = resources().load(Value::string("TABELAS\\PAISES.TBL"));
    ASSERT_NE(asTable(upper), nullptr);
    EXPECT_EQ(asTable(upper)->get("Portugal"), Value::integer(2));
    disc.write("Media/semponto", "(table)");
    disc.write("Media/dados.xyz", "(table)");
    for (const char* name : {"semponto", "dados.xyz", "ausente.tbl", "pasta.v\\semponto"})
        EXPECT_TRUE(resources().load(Value::string(name)).isNil()) << name;
    EXPECT_TRUE(resources().load(Value()).isNil());
}

TEST_F(ResourcesTest, TheCurrentFormWinsOverTheGlobalsAndBothOverAFile)
{
    disc.write("Media/fundo.tbl", "(table (\"from\" \"file\"))");
    Value name = Value::string("fundo.tbl");
    EXPECT_EQ(textOf(asTable(resources().load(name))->get("from")), "file");
    config().putGlobal("fundo.tbl", Value::string("global"));
    EXPECT_EQ(textOf(resources().load(name)), "global");
    Table* form = currentFormTable();
    EXPECT_EQ(textOf(resources().load(name)), "global") << "the form lacks the property";
    form->put(name, Value::string("form"));
    EXPECT_EQ(textOf(resources().load(name)), "form");
}

TEST_F(ResourcesTest, NameIndirectionLetsTheTypedLoaderReadTheFileAPropertyNames)
{
    media_writers::Bytes wave = media_writers::waveFile({}, media_writers::Bytes(200, 0));
    disc.write("Media/Sons/clique.wav", std::string(wave.begin(), wave.end()));
    currentFormTable()->put("Click Sound", Value::string("sons\\CLIQUE.wav"));
    EXPECT_TRUE(resources().load(Value::string("Click Sound")).is(Tag::String)) << "the first look-up gives the name";
    Value sound = resources().loadSound(Value::string("Click Sound"), true);
    ASSERT_NE(asSound(sound), nullptr);
    EXPECT_TRUE(asSound(sound)->inMemory()) << "prepared: read whole";
    Value unprepared = resources().loadSound(Value::string("sons\\clique.wav"), false);
    ASSERT_NE(asSound(unprepared), nullptr);
    EXPECT_EQ(textOf(asSound(unprepared)->source()), disc / "Media/Sons/clique.wav");
    EXPECT_FALSE(asSound(unprepared)->inMemory()) << "no preparation without the flag";
}

TEST_F(ResourcesTest, ReferencesAreFollowedUntilNoneIsLeft)
{
    Value reader = parseText("(reference \"a\")");
    ASSERT_TRUE(reader.is(Tag::Reference));
    config().putGlobal("a", ResourceReference::make(resources(), Value::string("b")));
    config().putGlobal("b", ResourceReference::make(resources(), Value::string("c")));
    config().putGlobal("c", Value::integer(42));
    EXPECT_EQ(resources().resolve(reader), Value::integer(42));
    EXPECT_EQ(resources().load(Value::string("a")), Value::integer(42));
    EXPECT_TRUE(resources().load(reader).is(Tag::Reference)) << "a reference given is kept as it is";
    EXPECT_EQ(resolveReference(reader), Value::integer(42)) << "through the builtins' protocol";
    std::vector<uint8_t> bytes = encodeToBytes(reader); // printed and encoded as their name
    EXPECT_EQ(quotedForm(decodeFromBytes(bytes.data(), bytes.size())), "(reference \"a\")");
    config().putGlobal("c", ResourceReference::make(resources(), Value::string("missing")));
    EXPECT_TRUE(resources().resolve(reader).isNil());
    config().putGlobal("self", ResourceReference::make(resources(), Value::string("self")));
    config().putGlobal("ping", Value::string("pong"));
    config().putGlobal("pong", Value::string("ping"));
    EXPECT_TRUE(resources().resolve(ResourceReference::make(resources(), Value::string("self"))).isNil());
    EXPECT_TRUE(resources().loadImage(Value::string("ping")).isNil());
    EXPECT_TRUE(resources().loadSound(Value::string("ping"), true).isNil());
}

TEST_F(ResourcesTest, ResourceFatalReportsEveryFailedLoadOnce)
{
    config().set("ResourceFatal", 1);
    config().putGlobal("Numero", Value::integer(3));
    EXPECT_TRUE(resources().load(Value::string("ausente.tbl")).isNil());
    EXPECT_TRUE(resources().loadImage(Value::string("Numero")).isNil());
    EXPECT_TRUE(resources().loadSound(Value::string("ausente.wav"), true).isNil());
    EXPECT_EQ(errors(), (std::vector<std::string>{"Cannot load resource: ausente.tbl", "Cannot load resource: Numero",
                                                  "Cannot load resource: ausente.wav"}));
    config().set("ResourceFatal", 0);
    EXPECT_TRUE(resources().load(Value::string("ausente.tbl")).isNil());
}

TEST_F(ResourcesTest, EncodedResourcesDecodeAndBrokenOnesReport)
{
    disc.write("Media/global.vel", bytesOf(parseText("(table (\"Nome\" \"Orvale\"))")));
    Value loaded = resources().load(Value::string("GLOBAL.VEL"));
    ASSERT_NE(asTable(loaded), nullptr);
    EXPECT_EQ(textOf(asTable(loaded)->get("Nome")), "Orvale");
    disc.write("Media/broken.vel", std::string("\x09\xFF\xFF\xFF\x7F", 5));
    EXPECT_TRUE(resources().load(Value::string("broken.vel")).isNil());
    EXPECT_FALSE(errors().empty());
}

TEST_F(ResourcesTest, TextfileFileAndReadFileGiveTheWholeFileOrNil)
{
    disc.write("Media/Textos/nota.txt", "linha 1\r\nlinha 2");
    disc.write("Media/dados.bin", std::string("\0\1\2", 3));
    Value text = parseText(R"((textfile "TEXTOS\\nota.txt"))");
    ASSERT_TRUE(text.is(Tag::String));
    EXPECT_EQ(textOf(text), "linha 1\r\nlinha 2");
    Value binary = parseText("(file \"dados.bin\")");
    ASSERT_TRUE(binary.is(Tag::Buffer));
    EXPECT_EQ(asBuffer(binary)->length(), 3);
    EXPECT_EQ(asBuffer(binary)->bytes()[2], 2);
    EXPECT_TRUE(parseText("(file \"ausente.bin\")").isNil());
    disc.write("empty", "");
    Value empty = readFile(disc / "empty");
    ASSERT_NE(asBuffer(empty), nullptr);
    EXPECT_EQ(asBuffer(empty)->length(), 0);
    EXPECT_TRUE(readFile(disc / "absent").isNil());
    EXPECT_TRUE(readFile(disc.path()).isNil());
}

TEST_F(ResourcesTest, MoviesAreMadeForTheFileNamePartUnderTheMediaRoot)
{
    disc.write("Media/Abertura.AVI", "");
    config().putGlobal("Intro", Value::string("abertura"));
    for (const Value& name : {Value::string("Filmes\\abertura.mpg"), ResourceReference::make(resources(), Value::string("Intro"))}) {
        Value movie = resources().loadMovie(name, "avi");
        ASSERT_NE(asMovie(movie), nullptr);
        EXPECT_EQ(asMovie(movie)->path(), disc / "Media/Abertura.AVI");
    }
    EXPECT_TRUE(resources().loadMovie(Value::integer(3), "avi").isNil());
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(ResourcesTest, CompileTableWritesTheEncodedTableUnderTheMediaRootOrResourcePath)
{
    disc.write("Media/Paises.tbl", "(table (\"Brasil\" (list 1 2)) (\"Chile\" 3))");
    disc.write("out/.keep", "");
    ASSERT_TRUE(resources().compileTable(Value::string("Paises"), "PAISES"));
    Value compiled = resources().load(Value::string("paises.vel"));
    EXPECT_EQ(quotedForm(compiled), quotedForm(resources().load(Value::string("Paises.tbl"))));

    config().set("ResourcePath", Value::string(disc / "OUT"));
    ASSERT_TRUE(resources().compileTable(Value::string("paises"), "Tabela"));
    EXPECT_EQ(fileText(disc / "out/tabela.vel"), fileText(disc / "Media/paises.vel"));
    EXPECT_FALSE(resources().compileTable(Value::string("ausente"), "x"));
    EXPECT_FALSE(std::ifstream(disc / "out/x.vel").good());
}

class CompilableForm final : public Object, public FormResourcesProtocol {
public:
    void loadResources() override
    {
        calls += "load ";
        loaded = Table::make();
        asTable(loaded)->put("Fundo", Value::string("fundo.bmp"));
    }
    Value loadedResourceTable() const override { return loaded; }
    void unloadResources() override { calls += "unload", loaded = Value(); }
    std::string calls;
    Value loaded;
};

TEST_F(ResourcesTest, CompileFormWritesTheLoadedResourceTableBetweenLoadAndUnload)
{
    disc.write("Media/.keep", "");
    auto* form = new CompilableForm;
    Value formValue = Value::adopt(Tag::Form, form);
    config().putGlobal("Principal", formValue);
    ASSERT_TRUE(resources().compileForm(Value::string("Principal"), "Principal"));
    EXPECT_EQ(form->calls, "load unload");
    std::string written = fileText(disc / "Media/principal.vel");
    Value back = decodeFromBytes(reinterpret_cast<const uint8_t*>(written.data()), written.size());
    ASSERT_NE(asTable(back), nullptr);
    EXPECT_EQ(textOf(asTable(back)->get("Fundo")), "fundo.bmp");
    EXPECT_FALSE(resources().compileForm(Value::string("NaoExiste"), "x"));
}

TEST_F(ResourcesTest, TheGlobalResourceIsFoundByTheLookupAndFillsTheGlobals)
{
    EXPECT_FALSE(resources().loadGlobal());
    Value table = parseText("(table (\"Titulo\" \"Orvale Vanta\") (7 \"sete\"))");
    disc.write("Compilados/GLOBAL.VEL", bytesOf(table));
    config().set("vel", Value::string(disc / "compilados"));
    ASSERT_TRUE(resources().loadGlobal());
    EXPECT_EQ(textOf(asTable(config().globals())->get("Titulo")), "Orvale Vanta");
    EXPECT_EQ(textOf(asTable(config().globals())->get(Value::integer(7))), "sete");
    EXPECT_TRUE(resources().loadFile(disc / "Compilados/GLOBAL.VEL").is(Tag::Table));
    // What the look-up gives under the media root loads by name too; elsewhere it stays a name from the data.
    disc.write("Media/Global.vel", bytesOf(table));
    config().set("vel", Value());
    EXPECT_TRUE(resources().load(Value::string(config().findFile("global", "vel"))).is(Tag::Table));
    EXPECT_TRUE(resources().load(Value::string(disc / "Compilados/GLOBAL.VEL")).isNil());
    EXPECT_TRUE(resources().loadFile(disc / "Compilados").isNil());
}

TEST_F(ResourcesTest, ABackgroundImagePropertyNamesTheBitmapFileTheImageLoaderReads)
{
    image_test::Bytes bitmap = image_test::encode(image_test::patterned(4, 3, 8), true);
    disc.write("Media/Fundos/Tela.bmp", std::string(bitmap.begin(), bitmap.end()));
    disc.write("Media/Fundos/quebrado.bmp", "BM not really");
    Table* form = currentFormTable();
    form->put("Background Image", Value::string("FUNDOS\\tela.BMP"));
    Value image = resources().loadImage(Value::string("Background Image"));
    ASSERT_TRUE(image.is(Tag::Image));
    EXPECT_EQ(std::make_pair(velWidth(image), velHeight(image)), std::make_pair(4, 3));
    form->put("Background Image", Value::string("fundos\\quebrado.bmp"));
    EXPECT_TRUE(resources().loadImage(Value::string("Background Image")).isNil());
    EXPECT_EQ(errors().size(), 1u);
}

// A control class: the prototype is registered, instances hold their data.
struct TestControl final : public Object, public ClassProtocol {
    TestControl(std::string n, Value d, bool nothing = false) : name(std::move(n)), data(std::move(d)), makesNothing(nothing) {}
    Value className() const override { return Value::string(name); }
    Value createInstance(const Value& d) const override
    {
        return makesNothing ? Value() : Value::adopt(Tag::Control, new TestControl(name, d));
    }
    std::string name;
    Value data;
    bool makesNothing;
};

struct TestForm final : public Object, public ClassProtocol, public FormNameProtocol {
    TestForm(std::string c, Value d) : className_(std::move(c)), data(std::move(d)) {}
    Value className() const override { return Value::string(className_); }
    Value createInstance(const Value& d) const override
    {
        auto* made = new TestForm(className_, d);
        made->name = presetName;
        return Value::adopt(Tag::Form, made);
    }
    Value formName() const override { return name; }
    void setFormName(const Value& n) override { name = n; }
    std::string className_;
    Value data, name, presetName;
};

Value controlPrototype(const char* name, bool makesNothing = false)
{
    return Value::adopt(Tag::Control, new TestControl(name, Value(), makesNothing));
}
Value formPrototype(const char* name) { return Value::adopt(Tag::Form, new TestForm(name, Value())); }

Value dataWith(std::initializer_list<std::pair<const char*, Value>> entries)
{
    Value table = Table::make();
    for (const auto& [key, value] : entries)
        asTable(table)->put(key, value);
    return table;
}

class ClassRegistryTest : public ConfiguredTest {
protected:
    ClassRegistry& classes() { return engine.classes(); }
};

TEST_F(ClassRegistryTest, ClassesGoUnderClassesInTheGlobalsAndTwiceIsReported)
{
    Value button = controlPrototype("Botao");
    classes().add(button);
    Table* registry = asTable(config().global(Value::string("Classes")));
    ASSERT_NE(registry, nullptr);
    EXPECT_EQ(registry->get("Botao"), button);
    EXPECT_EQ(classes().find(Value::string("Botao")), button);

    classes().add(controlPrototype("Botao"));
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_EQ(classes().find(Value::string("Botao")), button) << "the first registration stands";

    classes().add(Value::integer(3));
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_TRUE(classes().find(Value::string("Nada")).isNil());
}

TEST_F(ClassRegistryTest, ControlsComeFromTheirClassOrArePlainAndOneWithoutClassIsReported)
{
    classes().add(controlPrototype("Botao"));
    classes().add(controlPrototype("Vazio", true));
    Value data = dataWith({{"Class", Value::string("Botao")}, {"Name", Value::string("OK")}});
    Value control = classes().createControl(data);
    ASSERT_TRUE(control.is(Tag::Control));
    auto* made = dynamic_cast<TestControl*>(control.object());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->data, data);

    for (const char* className : {"Desconhecido", "Vazio"}) {
        Value plain = classes().createControl(dataWith({{"Class", Value::string(className)}}));
        EXPECT_TRUE(plain.is(Tag::Control)) << className;
        EXPECT_EQ(dynamic_cast<TestControl*>(plain.object()), nullptr) << className;
        EXPECT_NE(quotedForm(plain).find(className), std::string::npos) << "the plain control keeps its data";
    }
    EXPECT_TRUE(errors().empty());
    EXPECT_TRUE(classes().createControl(dataWith({{"Name", Value::string("Solto")}})).is(Tag::Control));
    EXPECT_EQ(errors().size(), 1u);
}

TEST_F(ClassRegistryTest, FormsAreNamedByTheirDataOrTheirClassUnlessAlreadyNamed)
{
    classes().add(formPrototype("VerbForm"));
    Value named = classes().createForm(dataWith({{"Class", Value::string("VerbForm")}, {"Name", Value::string("Verbete")}}));
    auto* form = dynamic_cast<TestForm*>(named.object());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(textOf(form->formName()), "Verbete");

    Value unnamed = classes().createForm(dataWith({{"Class", Value::string("VerbForm")}}));
    EXPECT_EQ(textOf(dynamic_cast<TestForm*>(unnamed.object())->formName()), "VerbForm");

    config().putGlobal("Titulo", Value::string("Nome Resolvido"));
    Value referenced = classes().createForm(
        dataWith({{"Class", Value::string("VerbForm")}, {"Name", ResourceReference::make(engine.resources(), Value::string("Titulo"))}}));
    EXPECT_EQ(textOf(dynamic_cast<TestForm*>(referenced.object())->formName()), "Nome Resolvido");

    auto* prototype = new TestForm("Preset", Value());
    prototype->presetName = Value::string("Fixo");
    classes().add(Value::adopt(Tag::Form, prototype));
    Value preset = classes().createForm(dataWith({{"Class", Value::string("Preset")}, {"Name", Value::string("Outro")}}));
    EXPECT_EQ(textOf(dynamic_cast<TestForm*>(preset.object())->formName()), "Fixo") << "a form that has a name keeps it";
}

TEST_F(ClassRegistryTest, UnregisteredFormClassesGivePlainFormsAndTheThreeArgumentFormBuildsItsData)
{
    Value plain = classes().createForm(dataWith({{"Class", Value::string("Ninguem")}}));
    EXPECT_TRUE(plain.is(Tag::Form) && !dynamic_cast<TestForm*>(plain.object()));

    classes().add(formPrototype("Dialogo"));
    Value resources = Table::make();
    Value form = classes().createForm(Value::string("Dialogo"), resources, Value::string("Pesquisa"));
    auto* made = dynamic_cast<TestForm*>(form.object());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(textOf(made->formName()), "Pesquisa");
    EXPECT_EQ(asTable(made->data)->get("Resource Table"), resources);
    EXPECT_EQ(textOf(asTable(made->data)->get("Class")), "Dialogo");
}

TEST_F(ClassRegistryTest, TheNotationMakesRegisteredClassesAndRegistryLookupsGoThroughTheCurrentForm)
{
    classes().add(formPrototype("MainForm"));
    classes().add(controlPrototype("Button"));
    Value form = parseText("(form (\"Class\" \"MainForm\") (\"Control List\" "
                           "(list (control (\"Class\" \"Button\")))))");
    auto* made = dynamic_cast<TestForm*>(form.object());
    ASSERT_NE(made, nullptr);
    Value controls = asTable(made->data)->get("Control List");
    EXPECT_NE(dynamic_cast<TestControl*>(asValueList(controls)->get(0).object()), nullptr);

    // "Classes" is a resource name like any other: a current form that defines it is asked first.
    engine.setCurrentForm(classes().createForm(dataWith({{"Classes", Table::make()}})));
    Value plain = classes().createControl(dataWith({{"Class", Value::string("Button")}}));
    EXPECT_EQ(dynamic_cast<TestControl*>(plain.object()), nullptr);
}

} // namespace
} // namespace vel
