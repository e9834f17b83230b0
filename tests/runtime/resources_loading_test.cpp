// Load resource: the order of the name look-up (current form, globals, files),
// references followed to the end, the fatal report, typed loaders, the file makers of the notation,
// and compiled copies of tables and forms.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config_test_support.h"
#include "image_test_support.h"
#include "runtime/environment.h"
#include "runtime/resources.h"
#include "value/buffer.h"
#include "value/builtins.h"
#include "value/encoding.h"
#include "value/makers.h"
#include "value/printer.h"
#include "value/reader.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {
namespace {

using testing_support::ConfiguredTest;

class FormScope final : public ResourceScope {
public:
    Value currentFormProperty(const Value& name) const override { return asTable(properties)->get(name); }
    Value properties = Table::make();
};

std::string bytesOf(const Value& v)
{
    std::vector<uint8_t> bytes = encodeToBytes(v);
    return std::string(bytes.begin(), bytes.end());
}

// What the media makers were asked for, in order.
std::vector<std::string>& madePaths()
{
    static std::vector<std::string> paths;
    return paths;
}

class ResourcesTest : public ConfiguredTest {
protected:
    void SetUp() override
    {
        ConfiguredTest::SetUp();
        useScratchMediaRoot();
        savedMakers = objectMakers();
        installResourceMakers();
    }
    void TearDown() override
    {
        installObjectMakers(savedMakers);
        installMediaMakers({});
        ConfiguredTest::TearDown();
    }
    ObjectMakers savedMakers;
    FormScope formScope;
};

TEST_F(ResourcesTest, TextFilesLoadWhateverTheCaseOfTheirNameAndUnknownKindsGiveNil)
{
    disc.write("Media/Tabelas/Paises.tbl", "(table (\"Brasil\" 1) (\"Portugal\" 2))");
    Value upper = loadResource(Value::string("TABELAS\\PAISES.TBL"));
    ASSERT_NE(asTable(upper), nullptr);
    EXPECT_EQ(asTable(upper)->get("Portugal"), Value::integer(2));
    disc.write("Media/semponto", "(table)");
    disc.write("Media/dados.xyz", "(table)");
    for (const char* name : {"semponto", "dados.xyz", "ausente.tbl", "pasta.v\\semponto"})
        EXPECT_TRUE(loadResource(Value::string(name)).isNil()) << name;
    EXPECT_TRUE(loadResource(Value()).isNil());
}

TEST_F(ResourcesTest, TheCurrentFormWinsOverTheGlobalsAndBothOverAFile)
{
    disc.write("Media/fundo.tbl", "(table (\"from\" \"file\"))");
    Value name = Value::string("fundo.tbl");
    EXPECT_EQ(textOf(asTable(loadResource(name))->get("from")), "file");
    environment::putGlobal("fundo.tbl", Value::string("global"));
    EXPECT_EQ(textOf(loadResource(name)), "global");
    setResourceScope(&formScope);
    EXPECT_EQ(textOf(loadResource(name)), "global") << "the form lacks the property";
    asTable(formScope.properties)->put(name, Value::string("form"));
    EXPECT_EQ(textOf(loadResource(name)), "form");
}

TEST_F(ResourcesTest, NameIndirectionLetsTheTypedLoaderReadTheFileAPropertyNames)
{
    disc.write("Media/Sons/clique.wav", "RIFF");
    std::vector<std::string>& made = madePaths();
    made.clear();
    installMediaMakers({[](const std::string& path) {
                            madePaths().push_back(path);
                            return placeholderMakers().sound(Value::string(path));
                        },
                        nullptr, [](const Value&) { madePaths().push_back("prepared"); }});
    setResourceScope(&formScope);
    asTable(formScope.properties)->put("Click Sound", Value::string("sons\\CLIQUE.wav"));
    EXPECT_TRUE(loadResource(Value::string("Click Sound")).is(Tag::String)) << "the first look-up gives the name";
    Value sound = loadSound(Value::string("Click Sound"), true);
    EXPECT_TRUE(sound.is(Tag::Sound));
    EXPECT_EQ(made, (std::vector<std::string>{disc / "Media/Sons/clique.wav", "prepared"}));
    made.clear();
    EXPECT_TRUE(loadSound(Value::string("sons\\clique.wav"), false).is(Tag::Sound));
    EXPECT_EQ(made.size(), 1u) << "no preparation without the flag";
}

TEST_F(ResourcesTest, ReferencesAreFollowedUntilNoneIsLeft)
{
    Value reader = parseText("(reference \"a\")");
    ASSERT_TRUE(reader.is(Tag::Reference));
    environment::putGlobal("a", ResourceReference::make(Value::string("b")));
    environment::putGlobal("b", ResourceReference::make(Value::string("c")));
    environment::putGlobal("c", Value::integer(42));
    EXPECT_EQ(resolve(reader), Value::integer(42));
    EXPECT_EQ(loadResource(Value::string("a")), Value::integer(42));
    EXPECT_TRUE(loadResource(reader).is(Tag::Reference)) << "a reference given is kept as it is";
    EXPECT_EQ(resolveReference(reader), Value::integer(42)) << "through the builtins' protocol";
    EXPECT_EQ(resolve(Value::integer(5)), Value::integer(5));
    std::vector<uint8_t> bytes = encodeToBytes(reader); // printed and encoded as their name
    EXPECT_EQ(quotedForm(decodeFromBytes(bytes.data(), bytes.size())), "(reference \"a\")");
    environment::putGlobal("c", ResourceReference::make(Value::string("missing")));
    EXPECT_TRUE(resolve(reader).isNil());
}

TEST_F(ResourcesTest, ReferenceLoopsEndInNil)
{
    environment::putGlobal("self", ResourceReference::make(Value::string("self")));
    environment::putGlobal("ping", Value::string("pong"));
    environment::putGlobal("pong", Value::string("ping"));
    EXPECT_TRUE(resolve(ResourceReference::make(Value::string("self"))).isNil());
    EXPECT_TRUE(loadImage(Value::string("ping")).isNil());
    EXPECT_TRUE(loadSound(Value::string("ping"), true).isNil());
}

TEST_F(ResourcesTest, ResourceFatalReportsEveryFailedLoadOnce)
{
    environment::set("ResourceFatal", 1);
    EXPECT_TRUE(loadResource(Value::string("ausente.tbl")).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot load resource: ausente.tbl"});
    environment::putGlobal("Numero", Value::integer(3));
    EXPECT_TRUE(loadImage(Value::string("Numero")).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot load resource: Numero"});
    EXPECT_TRUE(loadSound(Value::string("ausente.wav"), true).isNil());
    EXPECT_EQ(errors(), std::vector<std::string>{"Cannot load resource: ausente.wav"});
    environment::set("ResourceFatal", 0);
    EXPECT_TRUE(loadResource(Value::string("ausente.tbl")).isNil());
}

TEST_F(ResourcesTest, EncodedResourcesDecodeAndBrokenOnesReport)
{
    Value table = Table::make();
    asTable(table)->put("Nome", Value::string("Orvale"));
    disc.write("Media/global.vel", bytesOf(table));
    Value loaded = loadResource(Value::string("GLOBAL.VEL"));
    ASSERT_NE(asTable(loaded), nullptr);
    EXPECT_EQ(textOf(asTable(loaded)->get("Nome")), "Orvale");
    disc.write("Media/broken.vel", std::string("\x09\xFF\xFF\xFF\x7F", 5));
    EXPECT_TRUE(loadResource(Value::string("broken.vel")).isNil());
    EXPECT_FALSE(errors().empty());
}

TEST_F(ResourcesTest, TextfileAndFileReadTheNamedFile)
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
}

TEST_F(ResourcesTest, ReadFileGivesTheWholeFileOrNil)
{
    disc.write("empty", "");
    disc.write("three", "abc");
    Value empty = readFile(disc / "empty");
    ASSERT_NE(asBuffer(empty), nullptr);
    EXPECT_EQ(asBuffer(empty)->length(), 0);
    EXPECT_EQ(asBuffer(readFile(disc / "three"))->length(), 3);
    EXPECT_TRUE(readFile(disc / "absent").isNil());
    EXPECT_TRUE(readFile(disc.path()).isNil());
}

TEST_F(ResourcesTest, MoviesAreMadeForTheFileNamePartUnderTheMediaRoot)
{
    madePaths().clear();
    installMediaMakers({nullptr, [](const std::string& path) {
                            madePaths().push_back(path);
                            return Value::integer(1);
                        },
                        nullptr});
    disc.write("Media/Abertura.AVI", "");
    EXPECT_EQ(loadMovie(Value::string("Filmes\\abertura.mpg"), "avi"), Value::integer(1));
    environment::putGlobal("Intro", Value::string("abertura"));
    loadMovie(ResourceReference::make(Value::string("Intro")), "avi");
    EXPECT_EQ(madePaths(), (std::vector<std::string>{disc / "Media/Abertura.AVI", disc / "Media/Abertura.AVI"}));
    EXPECT_TRUE(loadMovie(Value::integer(3), "avi").isNil());
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
    EXPECT_EQ(compiledResourcePath("PAISES"), disc / "Media/paises.vel");
    ASSERT_TRUE(compileTable(Value::string("Paises"), "PAISES"));
    Value compiled = loadResource(Value::string("paises.vel"));
    EXPECT_EQ(quotedForm(compiled), quotedForm(loadResource(Value::string("Paises.tbl"))));

    environment::set("ResourcePath", Value::string(disc / "OUT"));
    ASSERT_TRUE(compileTable(Value::string("paises"), "Tabela"));
    EXPECT_EQ(fileText(disc / "out/tabela.vel"), fileText(disc / "Media/paises.vel"));
    EXPECT_FALSE(compileTable(Value::string("ausente"), "x"));
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
    void unloadResources() override
    {
        calls += "unload";
        loaded = Value();
    }
    std::string calls;
    Value loaded;
};

TEST_F(ResourcesTest, CompileFormWritesTheLoadedResourceTableBetweenLoadAndUnload)
{
    disc.write("Media/.keep", "");
    auto* form = new CompilableForm;
    Value formValue = Value::adopt(Tag::Form, form);
    environment::putGlobal("Principal", formValue);
    ASSERT_TRUE(compileForm(Value::string("Principal"), "Principal"));
    EXPECT_EQ(form->calls, "load unload");
    std::string written = fileText(disc / "Media/principal.vel");
    Value back = decodeFromBytes(reinterpret_cast<const uint8_t*>(written.data()), written.size());
    ASSERT_NE(asTable(back), nullptr);
    EXPECT_EQ(textOf(asTable(back)->get("Fundo")), "fundo.bmp");
    EXPECT_FALSE(compileForm(Value::string("NaoExiste"), "x"));
}

TEST_F(ResourcesTest, TheGlobalResourceIsFoundByTheLookupAndFillsTheGlobals)
{
    EXPECT_FALSE(loadGlobalResource());
    Value table = Table::make();
    asTable(table)->put("Titulo", Value::string("Orvale Vanta"));
    asTable(table)->put(Value::integer(7), Value::string("sete"));
    disc.write("Compilados/GLOBAL.VEL", bytesOf(table));
    environment::set("vel", Value::string(disc / "compilados"));
    ASSERT_TRUE(loadGlobalResource());
    EXPECT_EQ(textOf(asTable(tables.globals)->get("Titulo")), "Orvale Vanta");
    EXPECT_EQ(textOf(asTable(tables.globals)->get(Value::integer(7))), "sete");
    EXPECT_TRUE(loadResourceFile(disc / "Compilados/GLOBAL.VEL").is(Tag::Table));
    // What the look-up gives under the media root loads by name too; elsewhere it stays a name from the data.
    disc.write("Media/Global.vel", bytesOf(table));
    environment::set("vel", Value());
    EXPECT_TRUE(loadResource(Value::string(findFile("global", "vel"))).is(Tag::Table));
    EXPECT_TRUE(loadResource(Value::string(disc / "Compilados/GLOBAL.VEL")).isNil());
    EXPECT_TRUE(loadResourceFile(disc / "Compilados").isNil());
}

TEST_F(ResourcesTest, ABackgroundImagePropertyNamesTheBitmapFileTheImageLoaderReads)
{
    image_test::Bytes bitmap = image_test::encode(image_test::patterned(4, 3, 8), true);
    disc.write("Media/Fundos/Tela.bmp", std::string(bitmap.begin(), bitmap.end()));
    disc.write("Media/Fundos/quebrado.bmp", "BM not really");
    setResourceScope(&formScope);
    asTable(formScope.properties)->put("Background Image", Value::string("FUNDOS\\tela.BMP"));
    Value image = loadImage(Value::string("Background Image"));
    ASSERT_TRUE(image.is(Tag::Image));
    EXPECT_EQ(velWidth(image), 4);
    EXPECT_EQ(velHeight(image), 3);
    asTable(formScope.properties)->put("Background Image", Value::string("fundos\\quebrado.bmp"));
    EXPECT_TRUE(loadImage(Value::string("Background Image")).isNil());
    std::vector<std::string> reported = errors();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].rfind("velDIBImageObject::validate:", 0), 0u) << reported[0];
}

} // namespace
} // namespace vel
