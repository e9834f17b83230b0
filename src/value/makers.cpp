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

const ObjectMakers placeholders;
const ObjectMakers* installed = &placeholders;

} // namespace

Value ObjectMakers::form(const Value& p) const { return placeholder(Tag::Form, "form", p); }
Value ObjectMakers::control(const Value& p) const { return placeholder(Tag::Control, "control", p); }
Value ObjectMakers::reference(const Value& n) const { return placeholder(Tag::Reference, "reference", n); }
Value ObjectMakers::image(const Value& n) const { return placeholder(Tag::Image, "image", n); }
Value ObjectMakers::sound(const Value& n) const { return placeholder(Tag::Sound, "sound", n); }
// Loaded files and sound files have no wire form of their own; outside the runtime they stay names.
Value ObjectMakers::textFile(const Value& n) const { return placeholder(Tag::Class, "textfile", n); }
Value ObjectMakers::file(const Value& n) const { return placeholder(Tag::Class, "file", n); }
Value ObjectMakers::soundFile(const Value& n) const { return placeholder(Tag::Sound, "soundfile", n); }
Value ObjectMakers::imageFromParts(const Value& a, const Value& b) const { return placeholder(Tag::Image, "image", a, b); }
Value ObjectMakers::soundFromParts(const Value& a, int32_t flag, const Value& b) const
{
    return placeholder(Tag::Sound, "sound", a, b, flag);
}

const ObjectMakers& placeholderMakers()
{
    return placeholders;
}

const ObjectMakers& objectMakers()
{
    return *installed;
}

const ObjectMakers* installObjectMakers(const ObjectMakers* makers)
{
    const ObjectMakers* previous = installed;
    installed = makers ? makers : &placeholders;
    return previous;
}

} // namespace vel
