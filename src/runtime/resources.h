// Resources: a name turned into a live value through the current form, the globals table and files
// under the media root; the typed loaders; compiled copies of forms and tables; and the resource
// reference, a name that is loaded when it is used.
#pragma once

#include <string>
#include <string_view>

#include "value/makers.h"
#include "value/protocols.h"
#include "value/value.h"

namespace vel {

// What the current form offers the look-up. The application implements it and installs it.
class ResourceScope {
public:
    virtual ~ResourceScope() = default;
    // The current form's property of that name (its own data, then its loaded resource table); nil
    // when there is no current form or no such property.
    virtual Value currentFormProperty(const Value& name) const = 0;
};
// nullptr: no current form.
void setResourceScope(ResourceScope* scope);

// Kinds of the extension table; images, sounds and movies carry their value tags.
enum class ResourceKind : int32_t {
    Unknown = 0,
    Encoded = 5,  // one value in the binary encoding
    Notation = 6, // one value in the text notation
    Image = 18,
    Sound = 19,
    Movie = 20,
};

// The process-wide table from small-letter extensions to kinds; built on first use.
const Value& extensionTable();
void buildExtensionTable();
ResourceKind resourceKindOf(std::string_view extension);

// Load resource: nil when nothing is found ("Cannot load resource: " first when ResourceFatal is set).
Value loadResource(const Value& specification);
// References followed until the value is none.
Value resolve(const Value& value);
// Load resource again and again until an image (or sound) results, or nil.
Value loadImage(const Value& specification);
Value loadSound(const Value& specification, bool prepare);
Value loadMovie(const Value& specification, std::string_view extension);
// A file on this machine (a path the file look-up gave) loaded by the kind of its extension; nil when
// the kind is unknown or the file cannot be read. ResourceFatal reports as load resource does.
Value loadResourceFile(const std::string& path);
// The start of the framework's application: the "global" resource ("global.vel" by the file look-up)
// put key by key into the globals table. False when there was none.
bool loadGlobalResource();
// The whole file as a buffer; nil when it cannot be read.
Value readFile(const std::string& path);

// Sounds and movies are made by the media code, which installs these. Until then they give nil.
struct MediaMakers {
    Value (*soundForPath)(const std::string& path);
    Value (*movieForPath)(const std::string& path);
    void (*prepareSound)(const Value& sound);
};
MediaMakers installMediaMakers(const MediaMakers& makers);

// A resource reference (tag 26): printed and encoded as its name, loaded when used.
class ResourceReference final : public CompositeObject, public ResolvableProtocol {
public:
    static Value make(const Value& name);
    const Value& name() const { return name_; }
    Value resolve() const override;
    WireParts wireParts() const override;
    Value print(Tag tag, bool quoted) const override;

private:
    explicit ResourceReference(const Value& name) : name_(name) {}
    Value name_;
};

// Installs the references, "(textfile", "(file", "(form" and "(control" into the value model's
// makers, keeping whatever other makers are installed.
void installResourceMakers();

// Forms load and unload their resource table; compile form asks them to.
class FormResourcesProtocol {
public:
    virtual ~FormResourcesProtocol() = default;
    virtual void loadResources() = 0;
    virtual Value loadedResourceTable() const = 0;
    virtual void unloadResources() = 0;
};

// Where a compiled copy goes: ResourcePath (or the media root) with the output name, small letters,
// and ".vel".
std::string compiledResourcePath(std::string_view outputName);
// Write the form's loaded resource table, or the table resource name + ".tbl", in the binary encoding.
bool compileForm(const Value& resourceName, std::string_view outputName);
bool compileTable(const Value& resourceName, std::string_view outputName);

} // namespace vel
