// The title's classes whose screens come later, each the smallest class of its base that answers
// its class name, so that every form definition finds its class.
#pragma once

#include <string>
#include <utility>

#include "title/menu_bar.h"
#include "title/text_dialogs.h"
#include "title/text_form.h"

namespace vel {

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
