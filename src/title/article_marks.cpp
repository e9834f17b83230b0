#include "title/article_marks.h"

#include <cstdio>

#include "platform/media_path.h"
#include "runtime/engine.h"
#include "title/quiet_errors.h"
#include "value/archive.h"
#include "value/file_replacement.h"
#include "value/list.h"
#include "value/table.h"

namespace vel {

namespace {

// The run's list in the globals: absent before the first load, false for no marks.
const std::string kGlobal = "Article Marks ";

} // namespace

ArticleMarks::ArticleMarks(Engine& engine)
    : ArticleMarks(engine, engine.moduleDirectory().empty() ? std::string() : engine.moduleDirectory() + "/" + kFileName)
{
}

ArticleMarks::ArticleMarks(Engine& engine, std::string path) : engine_(engine), path_(std::move(path)) {}

const Value& ArticleMarks::list()
{
    Value held = engine_.configuration().global(Value::string(kGlobal + path_));
    if (held.isNil())
        load();
    else
        list_ = held.is(Tag::Boolean) ? Value() : held;
    return list_;
}

void ArticleMarks::keep(const Value& list)
{
    list_ = list;
    engine_.configuration().putGlobal(kGlobal + path_, list.isNil() ? Value::boolean(0) : list);
}

void ArticleMarks::load()
{
    keep(Value());
    bool usable = false;
    if (!path_.empty() && platform::isFile(path_)) {
        QuietErrors quiet;
        Value archive = Archive::open(Value::string(path_), false);
        Archive* a = asArchive(archive);
        Value first = a && a->count() == 1 ? a->get(0) : Value();
        if (List* numbers = asList(first); numbers && !quiet.any()) {
            usable = true;
            Value kept = ValueList::make();
            for (int32_t i = 0; i < numbers->count(); ++i)
                if (numbers->get(i).is(Tag::Int))
                    asValueList(kept)->append(numbers->get(i));
            if (asValueList(kept)->count() > 0)
                keep(kept);
        }
    }
    if (!usable)
        save();
}

bool ArticleMarks::save()
{
    // Without a program directory (a test's engine) the marks last for the run only.
    if (path_.empty())
        return false;
    std::string error;
    const std::string temporary = createTemporaryBeside(path_, &error);
    if (temporary.empty())
        return false;
    {
        QuietErrors quiet;
        Value archive = Archive::create(Value::string(temporary), kDirectoryCapacity);
        Archive* a = asArchive(archive);
        if (!a || !a->add(list_.isNil() ? ValueList::make() : list_) || !a->flush() || quiet.any()) {
            std::remove(temporary.c_str());
            return false;
        }
    } // the archive closes here, before the rename
    return commitTemporary(temporary, path_, &error);
}

bool ArticleMarks::contains(int32_t article)
{
    if (List* numbers = asList(list()))
        for (int32_t i = 0; i < numbers->count(); ++i)
            if (numbers->get(i) == Value::integer(article))
                return true;
    return false;
}

void ArticleMarks::add(int32_t article)
{
    Value numbers = list().isNil() ? ValueList::make() : list_;
    asValueList(numbers)->append(Value::integer(article));
    keep(numbers);
    save();
}

void ArticleMarks::remove(int32_t article)
{
    List* numbers = asList(list());
    if (!numbers)
        return;
    // Only the first equal element goes: an article marked twice stays marked once.
    Value kept = ValueList::make();
    bool removed = false;
    for (int32_t i = 0; i < numbers->count(); ++i) {
        if (!removed && numbers->get(i) == Value::integer(article))
            removed = true;
        else
            asValueList(kept)->append(numbers->get(i));
    }
    keep(asValueList(kept)->count() == 0 ? Value() : kept);
    save();
}

} // namespace vel
