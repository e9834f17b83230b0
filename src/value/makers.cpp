#include "value/makers.h"

#include <string>

#include "value/printer.h"
#include "value/protocols.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

// Stands in for a runtime object where no runtime is installed: it keeps what it was made from, so
// it prints in its text form and encodes back to the same bytes.
class PlaceholderObject final : public CompositeObject, public CollectionProtocol {
public:
    PlaceholderObject(const char* keyword, WireParts parts) : keyword_(keyword), parts_(std::move(parts)) {}

    WireParts wireParts() const override { return parts_; }
    Value print(Tag tag, bool quoted) const override
    {
        std::string out;
        if (std::string_view(keyword_) == "form" || std::string_view(keyword_) == "control") {
            printTableTo(out, parts_.first, std::string("(") + keyword_ + " ", quoted);
        } else if (parts_.first.is(Tag::String) && parts_.second.isNil()) {
            out = std::string("(") + keyword_ + " ";
            printTo(out, parts_.first, true);
            out += ')';
        } else {
            return Object::print(tag, quoted);
        }
        return Value::string(out);
    }

    // Forms and controls answer the collection builtins from their property table.
    Value itemAt(int32_t index) const override
    {
        Table* t = asTable(parts_.first);
        return t ? t->valueAt(index) : Value();
    }
    Value getKey(const Value& key) const override
    {
        Table* t = asTable(parts_.first);
        return t ? t->get(key) : Value();
    }
    void putKey(const Value& key, const Value& v) override
    {
        if (Table* t = asTable(parts_.first))
            t->put(key, v);
    }
    bool containsKey(const Value& key) const override
    {
        Table* t = asTable(parts_.first);
        return t && t->contains(key);
    }
    void removeKey(const Value& key) override
    {
        if (Table* t = asTable(parts_.first))
            t->remove(key);
    }

private:
    const char* keyword_;
    WireParts parts_;
};

Value placeholder(Tag tag, const char* keyword, const Value& first, const Value& second = Value(), int32_t flag = 0)
{
    WireParts parts;
    parts.first = first;
    parts.second = second;
    parts.flag = flag;
    return Value::adopt(tag, new PlaceholderObject(keyword, parts));
}

Value placeholderForm(const Value& p) { return placeholder(Tag::Form, "form", p); }
Value placeholderControl(const Value& p) { return placeholder(Tag::Control, "control", p); }
Value placeholderReference(const Value& n) { return placeholder(Tag::Reference, "reference", n); }
Value placeholderImage(const Value& n) { return placeholder(Tag::Image, "image", n); }
Value placeholderSound(const Value& n) { return placeholder(Tag::Sound, "sound", n); }
// Loaded files and sound files have no wire form of their own; outside the runtime they stay names.
Value placeholderTextFile(const Value& n) { return placeholder(Tag::Class, "textfile", n); }
Value placeholderFile(const Value& n) { return placeholder(Tag::Class, "file", n); }
Value placeholderSoundFile(const Value& n) { return placeholder(Tag::Sound, "soundfile", n); }
Value placeholderImageParts(const Value& a, const Value& b) { return placeholder(Tag::Image, "image", a, b); }
Value placeholderSoundParts(const Value& a, int32_t flag, const Value& b)
{
    return placeholder(Tag::Sound, "sound", a, b, flag);
}

ObjectMakers& current()
{
    static ObjectMakers makers = placeholderMakers();
    return makers;
}

} // namespace

ObjectMakers placeholderMakers()
{
    return {placeholderForm,     placeholderControl, placeholderReference, placeholderImage,
            placeholderTextFile, placeholderFile,    placeholderSound,     placeholderSoundFile,
            placeholderImageParts, placeholderSoundParts};
}

const ObjectMakers& objectMakers()
{
    return current();
}

ObjectMakers installObjectMakers(const ObjectMakers& makers)
{
    ObjectMakers previous = current();
    ObjectMakers fallback = placeholderMakers();
    ObjectMakers next = makers;
    auto keep = [](auto& slot, auto standIn) { if (!slot) slot = standIn; };
    keep(next.form, fallback.form);
    keep(next.control, fallback.control);
    keep(next.reference, fallback.reference);
    keep(next.image, fallback.image);
    keep(next.textFile, fallback.textFile);
    keep(next.file, fallback.file);
    keep(next.sound, fallback.sound);
    keep(next.soundFile, fallback.soundFile);
    keep(next.imageFromParts, fallback.imageFromParts);
    keep(next.soundFromParts, fallback.soundFromParts);
    current() = next;
    return previous;
}

} // namespace vel
