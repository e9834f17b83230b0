// The title's classes whose screens come later, each the smallest class of its base that answers
// its class name, so that every form definition finds its class. AATextForm and AATextDialog are
// real classes: others derive from them.
#pragma once

#include <string>
#include <utility>

#include "title/menu_bar.h"

namespace vel {

// Base of the screens that show rich text with hot links.
class AATextForm : public Named<AATextForm, BarraMenuForm> {
public:
    static constexpr const char* kClassName = "AATextForm";
    using Named::Named;
};

// Base of the dialogs that show rich text.
class AATextDialog : public Named<AATextDialog, TitleDialog> {
public:
    static constexpr const char* kClassName = "AATextDialog";
    using Named::Named;
};

// A class of Base under the name it is made with.
template <class Base, Tag kTag = Tag::Form>
class Placeholder final : public Base {
public:
    Placeholder(Engine& engine, const Value& properties, std::string name)
        : Base(engine, properties), name_(std::move(name))
    {
    }
    Value className() const override { return Value::string(name_); }
    Value createInstance(const Value& data) const override
    {
        return Value::adopt(kTag, new Placeholder(this->engine(), data, name_));
    }

private:
    std::string name_;
};

// Enters each of these classes in the engine's class registry.
void registerTitlePlaceholders(Engine& engine);

} // namespace vel
