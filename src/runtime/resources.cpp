#include "runtime/resources.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <unistd.h>

#include "platform/media_path.h"
#include "runtime/class_registry.h"
#include "runtime/engine.h"
#include "runtime/sound.h"
#include "runtime/environment.h"
#include "runtime/image.h"
#include "value/archive.h"
#include "value/buffer.h"
#include "value/encoding.h"
#include "value/error.h"
#include "value/file_replacement.h"
#include "value/printer.h"
#include "value/reader.h"
#include "value/stream.h"
#include "value/string.h"
#include "value/table.h"


namespace vel {

namespace {

// Deeper than any chain of names real data makes; past it a chain is taken for a loop and gives nil.
constexpr int kNestingLimit = 64;
constexpr int kTypedLoaderRounds = 64;

struct NestingGuard {
    explicit NestingGuard(int& nesting) : nesting_(++nesting) {}
    ~NestingGuard() { --nesting_; }
    bool tooDeep() const { return nesting_ > kNestingLimit; }
    int& nesting_;
};

using platform::lowerAscii;

Value imageFromFile(const std::string& path, const std::string& extension)
{
    Value buffer = readFile(path);
    if (buffer.isNil())
        return Value();
    return imageFromBuffer(buffer, extension);
}

Value notationFromFile(const std::string& path)
{
    Value buffer = readFile(path);
    Buffer* b = asBuffer(buffer);
    if (!b)
        return Value();
    return parseText(std::string_view(reinterpret_cast<const char*>(b->bytes()), static_cast<std::size_t>(b->length())));
}

bool beginsAsArchive(const std::string& path)
{
    char magic[4] = {};
    std::ifstream in(path, std::ios::binary);
    return in.read(magic, sizeof magic) && std::string_view(magic, sizeof magic) == "0VEL";
}

} // namespace

Value Resources::fileByKind(const std::string& path, ResourceKind kind, const std::string& extension)
{
    switch (kind) {
    case ResourceKind::Encoded: {
        Value stream = FileStream::open(path, Stream::Read, true);
        Stream* s = asStream(stream);
        return s ? decode(*s) : Value();
    }
    case ResourceKind::Image:
        return imageFromFile(path, extension);
    case ResourceKind::Sound:
        return soundFromFile(engine_, path);
    case ResourceKind::Movie:
        return engine_.movies().open(path);
    case ResourceKind::Archive:
        // A compiled list is an archive, read item by item; a data file written in the text
        // notation under the same extension reads as notation.
        return beginsAsArchive(path) ? Archive::open(Value::string(path), false) : notationFromFile(path);
    default:
        return notationFromFile(path);
    }
}

// Load resource without the fatal report, for the loaders that make their own.
Value Resources::loadQuietly(const Value& specification)
{
    if (specification.is(Tag::Reference))
        return specification;
    // Only names are looked up: an image, a list or a table given as a specification is the resource.
    if (!specification.isNil() && !specification.is(Tag::String))
        return specification;
    NestingGuard guard(nesting_);
    if (guard.tooDeep())
        return Value();
    Value result;
    if (!specification.isNil()) {
        // The current form's own data, then its loaded resource table.
        if (auto* form = protocolOf<CollectionProtocol>(engine_.currentForm()))
            result = form->getKey(specification);
        if (result.isNil())
            result = engine_.configuration().global(specification);
    }
    if (result.isNil() && specification.is(Tag::String)) {
        std::string_view name = textOf(specification);
        std::string extension = lowerAscii(platform::extensionOf(name));
        ResourceKind kind = kindOf(extension);
        if (kind != ResourceKind::Unknown) {
            // A path the file look-up gave under the media root names the same file as the rest of it.
            std::string root = engine_.configuration().mediaRoot();
            if (!root.empty() && name.size() > root.size() + 1 && name.compare(0, root.size(), root) == 0 &&
                name[root.size()] == '/')
                name.remove_prefix(root.size() + 1);
            std::string path = platform::pathUnder(root, name);
            if (platform::isFile(path))
                result = fileByKind(path, kind, extension);
        }
    }
    return resolve(result);
}

void Resources::reportIfFatal(const Value& result, const Value& specification)
{
    if (result.isNil() && engine_.configuration().resourceFatal())
        velError("Cannot load resource: " + displayForm(specification));
}

// Load resource until the result carries the tag, or nil.
Value Resources::loadUntil(const Value& specification, Tag wanted)
{
    Value result = specification;
    for (int round = 0; round < kTypedLoaderRounds; ++round) {
        result = loadQuietly(result);
        if (result.isNil() || result.is(wanted))
            return result;
        // A reference loads to itself; its resolution is the next value to try.
        if (result.is(Tag::Reference))
            result = resolve(result);
        if (result.isNil() || result.is(wanted))
            return result;
    }
    return Value();
}

Resources::Resources(Engine& engine) : engine_(engine)
{
    Value table = Table::make(16);
    Table* t = table.as<Table>();
    const struct {
        const char* extension;
        ResourceKind kind;
    } entries[] = {{"avi", ResourceKind::Movie},    {"bmp", ResourceKind::Image},    {"vel", ResourceKind::Encoded},
                   {"dib", ResourceKind::Image},    {"frm", ResourceKind::Notation}, {"jpg", ResourceKind::Image},
                   {"lst", ResourceKind::Notation}, {"tbl", ResourceKind::Notation}, {"txt", ResourceKind::Notation},
                   {"rle", ResourceKind::Image},    {"wav", ResourceKind::Sound},    {"mid", ResourceKind::Sound},
                   {"dat", ResourceKind::Archive}};
    for (const auto& entry : entries)
        t->put(entry.extension, Value::integer(static_cast<int32_t>(entry.kind)));
    extensions_ = table;
}

ResourceKind Resources::kindOf(std::string_view extension) const
{
    if (extension.empty())
        return ResourceKind::Unknown;
    Value kind = extensions_.as<Table>()->get(lowerAscii(extension));
    return kind.is(Tag::Int) ? static_cast<ResourceKind>(kind.asInt()) : ResourceKind::Unknown;
}

Value Resources::load(const Value& specification)
{
    Value result = loadQuietly(specification);
    reportIfFatal(result, specification);
    return result;
}

Value Resources::resolve(const Value& value)
{
    Value current = value;
    for (int round = 0; round < kNestingLimit && current.is(Tag::Reference); ++round) {
        auto* reference = dynamic_cast<ResourceReference*>(current.object());
        if (!reference) {
            // A reference some other code made: it knows how to resolve itself.
            auto* other = protocolOf<ResolvableProtocol>(current);
            current = other ? other->resolve() : Value();
            continue;
        }
        NestingGuard guard(nesting_);
        if (guard.tooDeep())
            return Value();
        current = load(reference->name());
    }
    return current.is(Tag::Reference) ? Value() : current;
}

Value Resources::loadNamed(const Value& value)
{
    if (value.is(Tag::String) || value.is(Tag::Reference))
        return load(value);
    return value;
}

Value Resources::loadImage(const Value& specification)
{
    Value image = loadUntil(specification, Tag::Image);
    reportIfFatal(image, specification);
    return image;
}

Value Resources::loadSound(const Value& specification, bool prepare)
{
    if (!prepare)
        return load(resolve(specification));
    Value sound = loadUntil(specification, Tag::Sound);
    reportIfFatal(sound, specification);
    if (!sound.isNil())
        prepareSound(sound);
    return sound;
}

Value Resources::loadMovie(const Value& specification, std::string_view extension)
{
    Value name = resolve(specification);
    if (!name.is(Tag::String))
        return Value();
    // The file-name part: what follows the last backslash, without its extension.
    std::string_view text = textOf(name);
    std::size_t separator = text.find_last_of("\\/");
    if (separator != std::string_view::npos)
        text.remove_prefix(separator + 1);
    std::size_t dot = text.find_last_of('.');
    if (dot != std::string_view::npos)
        text = text.substr(0, dot);
    std::string file(text);
    if (!extension.empty())
        file += "." + std::string(extension);
    return engine_.movies().open(platform::pathUnder(engine_.configuration().mediaRoot(), file));
}

Value Resources::loadFile(const std::string& path)
{
    std::string extension = lowerAscii(platform::extensionOf(path));
    ResourceKind kind = kindOf(extension);
    Value result;
    if (kind != ResourceKind::Unknown && platform::isFile(path))
        result = resolve(fileByKind(path, kind, extension));
    reportIfFatal(result, Value::string(path));
    return result;
}

bool Resources::loadGlobal()
{
    Value loaded = loadFile(engine_.configuration().findFile("global", "vel"));
    Table* table = asTable(loaded);
    if (!table)
        return false;
    for (int32_t slot = table->firstIndex(); slot >= 0; slot = table->nextIndex(slot))
        engine_.configuration().putGlobal(table->keyRef(slot), table->valueRef(slot));
    return true;
}

Value readFile(const std::string& path)
{
    if (!platform::isFile(path))
        return Value();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Value();
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    // A buffer's length is a signed 32-bit count.
    if (size < 0 || size > std::numeric_limits<int32_t>::max())
        return Value();
    in.seekg(0);
    Value buffer = Buffer::make(static_cast<int32_t>(size > 0 ? size : 1));
    Buffer* b = asBuffer(buffer);
    if (!b)
        return Value();
    if (size > 0 && !in.read(reinterpret_cast<char*>(b->bytes()), size))
        return Value();
    b->setLength(static_cast<int32_t>(size));
    return buffer;
}

Value ResourceReference::make(Resources& resources, const Value& name)
{
    return Value::adopt(Tag::Reference, new ResourceReference(resources, name));
}

Value ResourceReference::resolve() const
{
    return resources_.resolve(resources_.load(name_));
}

WireParts ResourceReference::wireParts() const
{
    WireParts parts;
    parts.first = name_;
    return parts;
}

Value ResourceReference::print(Tag tag, bool quoted) const
{
    std::string out = "(reference ";
    printTo(out, name_, true);
    out += ')';
    return Value::string(out);
}

namespace {

// What the reader and the decoder make while this engine runs: its forms, controls, references,
// images, files and sounds.
class EngineMakers final : public ObjectMakers {
public:
    explicit EngineMakers(Engine& engine) : engine_(engine) {}
    Value form(const Value& data) const override { return engine_.classes().createForm(data); }
    Value control(const Value& data) const override { return engine_.classes().createControl(data); }
    Value reference(const Value& name) const override { return ResourceReference::make(engine_.resources(), name); }
    Value image(const Value& name) const override { return engine_.resources().loadImage(name); }
    Value textFile(const Value& name) const override
    {
        Value buffer = readFile(engine_.configuration().findFile(textOf(name)));
        Buffer* b = asBuffer(buffer);
        return b ? Value::string(reinterpret_cast<const char*>(b->bytes()), b->length()) : Value();
    }
    Value file(const Value& name) const override { return readFile(engine_.configuration().findFile(textOf(name))); }
    Value sound(const Value& name) const override { return engine_.resources().loadSound(name, true); }
    Value soundFile(const Value& name) const override
    {
        return soundFromFile(engine_, engine_.configuration().findFile(textOf(name)));
    }
    Value imageFromParts(const Value& first, const Value& second) const override
    {
        return vel::imageFromParts(first, second);
    }
    Value soundFromParts(const Value& first, int32_t flag, const Value& second) const override
    {
        return vel::soundFromParts(engine_, first, flag, second);
    }

private:
    Engine& engine_;
};

} // namespace

std::unique_ptr<ObjectMakers> Resources::makers()
{
    return std::make_unique<EngineMakers>(engine_);
}

std::string Resources::compiledPath(std::string_view outputName) const
{
    Value resourcePath = engine_.configuration().get("ResourcePath");
    std::string directory = resourcePath.is(Tag::String) ? platform::configuredPath(textOf(resourcePath))
                                                          : engine_.configuration().mediaRoot();
    // Only the name is put in small letters: the directory is a real one on a file system that minds case.
    return platform::pathUnder(directory, lowerAscii(outputName) + ".vel");
}

namespace {

bool writeEncoded(const Value& value, const std::string& path)
{
    bool encoded = false;
    std::vector<uint8_t> bytes = encodeToBytes(value, &encoded);
    if (!encoded)
        return false;
    std::string reason;
    if (!replaceFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &reason)) {
        velError("Cannot write compiled resource: " + path + " (" + reason + ")");
        return false;
    }
    return true;
}

} // namespace

bool Resources::compileForm(const Value& resourceName, std::string_view outputName)
{
    Value form = load(resourceName);
    auto* resources = protocolOf<FormResourcesProtocol>(form);
    if (!resources)
        return false;
    std::string path = compiledPath(outputName);
    resources->loadResources();
    bool written = writeEncoded(resources->loadedResourceTable(), path);
    resources->unloadResources();
    return written;
}

bool Resources::compileTable(const Value& resourceName, std::string_view outputName)
{
    Value table = load(concat(textOf(resourceName), ".tbl"));
    if (table.isNil())
        return false;
    return writeEncoded(table, compiledPath(outputName));
}

} // namespace vel
