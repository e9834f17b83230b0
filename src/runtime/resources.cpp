#include "runtime/resources.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <unistd.h>

#include "platform/media_path.h"
#include "runtime/class_registry.h"
#include "runtime/environment.h"
#include "runtime/image.h"
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

ResourceScope* scope = nullptr;
int nesting = 0;

struct NestingGuard {
    NestingGuard() { ++nesting; }
    ~NestingGuard() { --nesting; }
    bool tooDeep() const { return nesting > kNestingLimit; }
};

Value noMedia(const std::string&) { return Value(); }
void noPreparation(const Value&) {}

MediaMakers& mediaMakers()
{
    static MediaMakers makers = {noMedia, noMedia, noPreparation};
    return makers;
}

Value& extensionTableValue()
{
    static Value table;
    return table;
}

using platform::lowerAscii;

Value globalsEntry(const Value& name)
{
    ApplicationTables* tables = registeredApplicationTables();
    Table* globals = tables ? asTable(tables->globals) : nullptr;
    return globals ? globals->get(name) : Value();
}

Value imageFromFile(const std::string& path, const std::string& extension)
{
    Value buffer = readFile(path);
    if (buffer.isNil())
        return Value();
    return imageFromBuffer(buffer, extension);
}

Value fileByKind(const std::string& path, ResourceKind kind, const std::string& extension)
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
        return mediaMakers().soundForPath(path);
    case ResourceKind::Movie:
        return mediaMakers().movieForPath(path);
    default: {
        Value buffer = readFile(path);
        Buffer* b = asBuffer(buffer);
        if (!b)
            return Value();
        return parseText(std::string_view(reinterpret_cast<const char*>(b->bytes()), static_cast<std::size_t>(b->length())));
    }
    }
}

// Load resource without the fatal report, for the loaders that make their own.
Value loadQuietly(const Value& specification)
{
    if (specification.is(Tag::Reference))
        return specification;
    // Only names are looked up: an image, a list or a table given as a specification is the resource.
    if (!specification.isNil() && !specification.is(Tag::String))
        return specification;
    NestingGuard guard;
    if (guard.tooDeep())
        return Value();
    Value result;
    if (!specification.isNil()) {
        if (scope)
            result = scope->currentFormProperty(specification);
        if (result.isNil())
            result = globalsEntry(specification);
    }
    if (result.isNil() && specification.is(Tag::String)) {
        std::string_view name = textOf(specification);
        std::string extension = lowerAscii(platform::extensionOf(name));
        ResourceKind kind = resourceKindOf(extension);
        if (kind != ResourceKind::Unknown) {
            // A path the file look-up gave under the media root names the same file as the rest of it.
            std::string root = mediaRoot();
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

void reportIfFatal(const Value& result, const Value& specification)
{
    if (result.isNil() && resourceFatal())
        velError("Cannot load resource: " + displayForm(specification));
}

// Load resource until the result carries the tag, or nil.
Value loadUntil(const Value& specification, Tag wanted)
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

Value textFileMaker(const Value& name)
{
    Value buffer = readFile(findFile(textOf(name)));
    Buffer* b = asBuffer(buffer);
    return b ? Value::string(reinterpret_cast<const char*>(b->bytes()), b->length()) : Value();
}

Value binaryFileMaker(const Value& name)
{
    return readFile(findFile(textOf(name)));
}

} // namespace

void setResourceScope(ResourceScope* s)
{
    scope = s;
}

void buildExtensionTable()
{
    Value table = Table::make(16);
    Table* t = table.as<Table>();
    const struct {
        const char* extension;
        ResourceKind kind;
    } entries[] = {{"avi", ResourceKind::Movie},    {"bmp", ResourceKind::Image},    {"vel", ResourceKind::Encoded},
                   {"dib", ResourceKind::Image},    {"frm", ResourceKind::Notation}, {"jpg", ResourceKind::Image},
                   {"lst", ResourceKind::Notation}, {"tbl", ResourceKind::Notation}, {"txt", ResourceKind::Notation},
                   {"rle", ResourceKind::Image},    {"wav", ResourceKind::Sound},    {"mid", ResourceKind::Sound}};
    for (const auto& entry : entries)
        t->put(entry.extension, Value::integer(static_cast<int32_t>(entry.kind)));
    extensionTableValue() = table;
}

const Value& extensionTable()
{
    if (extensionTableValue().isNil())
        buildExtensionTable();
    return extensionTableValue();
}

ResourceKind resourceKindOf(std::string_view extension)
{
    if (extension.empty())
        return ResourceKind::Unknown;
    Value kind = extensionTable().as<Table>()->get(lowerAscii(extension));
    return kind.is(Tag::Int) ? static_cast<ResourceKind>(kind.asInt()) : ResourceKind::Unknown;
}

Value loadResource(const Value& specification)
{
    Value result = loadQuietly(specification);
    reportIfFatal(result, specification);
    return result;
}

Value resolve(const Value& value)
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
        NestingGuard guard;
        if (guard.tooDeep())
            return Value();
        current = loadResource(reference->name());
    }
    return current.is(Tag::Reference) ? Value() : current;
}

Value loadImage(const Value& specification)
{
    Value image = loadUntil(specification, Tag::Image);
    reportIfFatal(image, specification);
    return image;
}

Value loadSound(const Value& specification, bool prepare)
{
    if (!prepare)
        return loadResource(resolve(specification));
    Value sound = loadUntil(specification, Tag::Sound);
    reportIfFatal(sound, specification);
    if (!sound.isNil())
        mediaMakers().prepareSound(sound);
    return sound;
}

Value loadMovie(const Value& specification, std::string_view extension)
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
    return mediaMakers().movieForPath(platform::pathUnder(mediaRoot(), file));
}

Value loadResourceFile(const std::string& path)
{
    std::string extension = lowerAscii(platform::extensionOf(path));
    ResourceKind kind = resourceKindOf(extension);
    Value result;
    if (kind != ResourceKind::Unknown && platform::isFile(path))
        result = resolve(fileByKind(path, kind, extension));
    reportIfFatal(result, Value::string(path));
    return result;
}

bool loadGlobalResource()
{
    Value loaded = loadResourceFile(findFile("global", "vel"));
    Table* table = asTable(loaded);
    if (!table)
        return false;
    for (int32_t slot = table->firstIndex(); slot >= 0; slot = table->nextIndex(slot))
        environment::putGlobal(table->keyRef(slot), table->valueRef(slot));
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

MediaMakers installMediaMakers(const MediaMakers& makers)
{
    MediaMakers previous = mediaMakers();
    mediaMakers().soundForPath = makers.soundForPath ? makers.soundForPath : noMedia;
    mediaMakers().movieForPath = makers.movieForPath ? makers.movieForPath : noMedia;
    mediaMakers().prepareSound = makers.prepareSound ? makers.prepareSound : noPreparation;
    return previous;
}

Value ResourceReference::make(const Value& name)
{
    return Value::adopt(Tag::Reference, new ResourceReference(name));
}

Value ResourceReference::resolve() const
{
    return vel::resolve(loadResource(name_));
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

void installResourceMakers()
{
    ObjectMakers makers = objectMakers();
    makers.reference = ResourceReference::make;
    makers.textFile = textFileMaker;
    makers.file = binaryFileMaker;
    makers.form = [](const Value& data) { return createForm(data); };
    makers.control = [](const Value& data) { return createControl(data); };
    makers.image = [](const Value& name) { return loadImage(name); };
    makers.imageFromParts = imageFromParts;
    installObjectMakers(makers);
}

std::string compiledResourcePath(std::string_view outputName)
{
    Value resourcePath = environment::get("ResourcePath");
    std::string directory = resourcePath.is(Tag::String) ? platform::configuredPath(textOf(resourcePath)) : mediaRoot();
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

bool compileForm(const Value& resourceName, std::string_view outputName)
{
    Value form = loadResource(resourceName);
    auto* resources = protocolOf<FormResourcesProtocol>(form);
    if (!resources)
        return false;
    std::string path = compiledResourcePath(outputName);
    resources->loadResources();
    bool written = writeEncoded(resources->loadedResourceTable(), path);
    resources->unloadResources();
    return written;
}

bool compileTable(const Value& resourceName, std::string_view outputName)
{
    Value table = loadResource(concat(textOf(resourceName), ".tbl"));
    if (table.isNil())
        return false;
    return writeEncoded(table, compiledResourcePath(outputName));
}

} // namespace vel
