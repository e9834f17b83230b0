// What forms and controls share: an object that is its property table, belongs to an engine, goes
// on the wire as that table and answers the collection builtins from it.
//
// The collection builtins go through the derived class's own property operations (hasProperty,
// getProperty, setProperty, removeProperty), so that a form's look-up reaches its resource table.
// The base declares no virtual operation of its own: the derived classes keep their slot order.
#pragma once

#include <string>

#include "value/makers.h"
#include "value/printer.h"
#include "value/protocols.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

class Engine;

template <class Derived>
class PropertyObject : public CompositeObject, public CollectionProtocol {
public:
    const Value& properties() const { return properties_; }
    Value property(std::string_view key) const { return derived().getProperty(Value::string(key)); }
    Engine& engine() const { return engine_; }

    WireParts wireParts() const override
    {
        WireParts parts;
        parts.first = properties_;
        return parts;
    }
    int32_t collectionCount() const override
    {
        Table* t = asTable(properties_);
        return t ? t->count() : 0;
    }
    Value itemAt(int32_t index) const override
    {
        Table* t = asTable(properties_);
        return t ? t->valueAt(index) : Value();
    }
    Value keyAt(int32_t slot) const override
    {
        Table* t = asTable(properties_);
        return t ? t->keyAt(slot) : Value();
    }
    Value getKey(const Value& key) const override { return derived().getProperty(key); }
    void putKey(const Value& key, const Value& v) override { derived().setProperty(key, v); }
    bool containsKey(const Value& key) const override { return derived().hasProperty(key); }
    void removeKey(const Value& key) override { derived().removeProperty(key); }

protected:
    PropertyObject(Engine& engine, const Value& properties) : engine_(engine), properties_(properties) {}

    // The table's own answers, for the property operations to build on.
    bool tableHas(const Value& key) const
    {
        Table* t = asTable(properties_);
        return t && t->contains(key);
    }
    Value tableGet(const Value& key) const
    {
        Table* t = asTable(properties_);
        return t ? t->get(key) : Value();
    }
    void tablePut(const Value& key, const Value& value)
    {
        if (!asTable(properties_))
            properties_ = Table::make();
        properties_.as<Table>()->put(key, value);
    }
    void tableRemove(const Value& key)
    {
        if (Table* t = asTable(properties_))
            t->remove(key);
    }
    // "(keyword (key value) ...)", or "(keyword)" without a table.
    Value printTable(const char* keyword, bool quoted) const
    {
        std::string out;
        if (asTable(properties_))
            printTableTo(out, properties_, std::string("(") + keyword + " ", quoted);
        else
            out = std::string("(") + keyword + ")";
        return Value::string(out);
    }

    Engine& engine_;
    Value properties_;

private:
    const Derived& derived() const { return static_cast<const Derived&>(*this); }
    Derived& derived() { return static_cast<Derived&>(*this); }
};

} // namespace vel
