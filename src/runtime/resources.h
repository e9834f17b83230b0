// Resources: a name turned into a live value through the current form, the globals table and files
// under the media root; the typed loaders; compiled copies of forms and tables; and the resource
// reference, a name that is loaded when it is used.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "value/makers.h"
#include "value/protocols.h"
#include "value/value.h"

namespace vel {

class Engine;

// Kinds of the extension table; images, sounds, movies and archives carry their value tags.
enum class ResourceKind : int32_t {
    Unknown = 0,
    Encoded = 5,  // one value in the binary encoding
    Notation = 6, // one value in the text notation
    Image = 18,
    Sound = 19,
    Movie = 20,
    Archive = 24, // an archive of encoded values (a compiled list), else text notation
};

// The whole file as a buffer; nil when it cannot be read.
Value readFile(const std::string& path);

// The look-up of an engine: its current form, its globals, its media root.
class Resources {
public:
    explicit Resources(Engine& engine);

    // The table from small-letter extensions to kinds.
    const Value& extensionTable() const { return extensions_; }
    ResourceKind kindOf(std::string_view extension) const;

    // Load resource: nil when nothing is found ("Cannot load resource: " first when ResourceFatal
    // is set).
    Value load(const Value& specification);
    // References followed until the value is none.
    Value resolve(const Value& value);
    // A value loaded as a resource when it is a name or a reference; other values as they are.
    Value loadNamed(const Value& value);
    // Load resource again and again until an image (or sound) results, or nil.
    Value loadImage(const Value& specification);
    Value loadSound(const Value& specification, bool prepare);
    Value loadMovie(const Value& specification, std::string_view extension);
    // A file on this machine (a path the file look-up gave) loaded by the kind of its extension; nil
    // when the kind is unknown or the file cannot be read. ResourceFatal reports as load resource does.
    Value loadFile(const std::string& path);
    // The start of the framework's application: the "global" resource ("global.vel" by the file
    // look-up) put key by key into the globals table. False when there was none.
    bool loadGlobal();

    // Where a compiled copy goes: ResourcePath (or the media root) with the output name, small
    // letters, and ".vel".
    std::string compiledPath(std::string_view outputName) const;
    // Write the form's loaded resource table, or the table resource name + ".tbl", in the binary
    // encoding.
    bool compileForm(const Value& resourceName, std::string_view outputName);
    bool compileTable(const Value& resourceName, std::string_view outputName);

    // The makers of this engine's objects, for the reader and the decoder.
    std::unique_ptr<ObjectMakers> makers();

private:
    Value loadQuietly(const Value& specification);
    Value loadUntil(const Value& specification, Tag wanted);
    Value fileByKind(const std::string& path, ResourceKind kind, const std::string& extension);
    void reportIfFatal(const Value& result, const Value& specification);

    Engine& engine_;
    Value extensions_;
    // How deep names lead to names; past a limit a chain is taken for a loop.
    int nesting_ = 0;
};

// A resource reference (tag 26): printed and encoded as its name, loaded when used.
class ResourceReference final : public CompositeObject, public ResolvableProtocol {
public:
    static Value make(Resources& resources, const Value& name);
    const Value& name() const { return name_; }
    Value resolve() const override;
    WireParts wireParts() const override;
    Value print(Tag tag, bool quoted) const override;

private:
    ResourceReference(Resources& resources, const Value& name) : resources_(resources), name_(name) {}
    Resources& resources_;
    Value name_;
};

// Forms load and unload their resource table; compile form asks them to.
class FormResourcesProtocol {
public:
    virtual ~FormResourcesProtocol() = default;
    virtual void loadResources() = 0;
    virtual Value loadedResourceTable() const = 0;
    virtual void unloadResources() = 0;
};

} // namespace vel
