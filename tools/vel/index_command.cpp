// vel index: create, fill, query, check and repair value index files.
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "data_file.h"
#include "index/btree_file.h"
#include "index/value_index.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"
#include "value/table.h"

namespace vel::tool {
namespace {

void printLine(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

std::string describeFailure(const index::BtreeFile& f)
{
    std::string message = index::describeError(f.lastError());
    if (f.secondaryError() < -200)
        message = index::describeError(f.secondaryError());
    if (f.failedPage() >= 0)
        message += " at page " + std::to_string(f.failedPage());
    return message;
}

// Opens the file with the engine alone first, so that a file that is not an index, is damaged or is
// held by a writer gets a precise message instead of the value index's general one.
bool checkOpenable(const std::string& path, bool writable)
{
    if (!checkReadable(path))
        return false;
    index::BtreeFile f;
    int rc = f.open(path, writable ? 2 : 1);
    if (rc == index::kOk) {
        f.close();
        return true;
    }
    if (rc == index::kInUse)
        complain(path + ": marked in use by a writer (try: vel index recover " + path + ")");
    else if (f.secondaryError() == index::kNotAnIndex)
        complain(path + ": not an index file");
    else if (rc == index::kReadShort)
        complain(path + ": damaged: " + describeFailure(f));
    else if (rc == index::kOutOfRange && f.secondaryError() > 0)
        complain(path + ": " + std::strerror(f.secondaryError()));
    else
        complain(path + ": cannot open: " + index::describeError(rc));
    return false;
}

Value openIndex(const std::string& path, bool writable)
{
    if (!checkOpenable(path, writable))
        return Value();
    return ValueIndex::make(path, false, writable);
}

int create(Args args)
{
    if (args.empty() || args.size() > 2) {
        complain("usage: vel index create FILE [TABLE-FILE]");
        return 2;
    }
    const std::string path = args[0];
    Value table;
    if (args.size() == 2) {
        const std::string tableFile = args[1];
        ReadingFile naming(tableFile);
        std::optional<Value> value = readOneValue(tableFile);
        if (!value)
            return 2;
        table = *value;
        if (!asTable(table)) {
            complain(tableFile + ": not a table");
            return 2;
        }
    }
    if (!checkCreatable(path))
        return 2;
    Value index = ValueIndex::make(path, true, false);
    ValueIndex* vi = asValueIndex(index);
    if (!vi)
        return 2;
    // One transaction for the whole table: a file filled entry by entry would wait on the disk
    // for each.
    vi->file().beginBatch();
    if (Table* t = asTable(table))
        for (int32_t slot = t->firstIndex(); slot >= 0; slot = t->nextIndex(slot))
            vi->put(t->keyRef(slot), t->valueRef(slot));
    if (vi->file().commitBatch() != index::kOk) {
        complain(path + ": cannot write: " + describeFailure(vi->file()));
        return 2;
    }
    return 0;
}

int put(Args args)
{
    if (args.size() != 3) {
        complain("usage: vel index put FILE KEY VALUE");
        return 2;
    }
    std::optional<Value> value = parseOne(args[2], "the value '" + quoted(args[2]) + "'");
    if (!value)
        return 2;
    Value index = openIndex(args[0], true);
    if (!asValueIndex(index))
        return 2;
    asValueIndex(index)->put(Value::string(args[1]), *value);
    return 0;
}

int get(Args args)
{
    if (args.size() != 2) {
        complain("usage: vel index get FILE KEY");
        return 2;
    }
    Value index = openIndex(args[0], false);
    ValueIndex* vi = asValueIndex(index);
    if (!vi)
        return 2;
    Value key = Value::string(args[1]);
    if (!vi->contains(key))
        return 1;
    printLine(quotedForm(vi->get(key)));
    return 0;
}

int walk(Args args, bool values)
{
    if (args.size() != 2) {
        complain(values ? "usage: vel index values FILE PREFIX" : "usage: vel index keys FILE PREFIX");
        return 2;
    }
    Value index = openIndex(args[0], false);
    ValueIndex* vi = asValueIndex(index);
    if (!vi)
        return 2;
    Value prefix = Value::string(args[1]);
    Value list = values ? vi->valuesWithPrefix(prefix) : vi->keysWithPrefix(prefix);
    ValueList* items = asValueList(list);
    if (!items)
        return 1;
    for (const Value& item : *items)
        printLine(quotedForm(item));
    return 0;
}

int count(Args args)
{
    if (args.size() != 1) {
        complain("usage: vel index count FILE");
        return 2;
    }
    Value index = openIndex(args[0], false);
    if (!asValueIndex(index))
        return 2;
    printLine(std::to_string(asValueIndex(index)->count()));
    return 0;
}

int verify(Args args)
{
    if (args.size() != 1) {
        complain("usage: vel index verify FILE");
        return 2;
    }
    std::string path = args[0];
    if (!checkOpenable(path, false))
        return 2;
    index::BtreeFile f;
    f.open(path, 1);
    int32_t pages = 0;
    if (f.verify([&](int32_t n) { pages = n; }) != index::kOk) {
        complain(path + ": damaged: " + describeFailure(f));
        return 2;
    }
    printLine(path + ": sound, " + std::to_string(pages) + " pages");
    return 0;
}

// The whole file as one table in the notation's layout, entries in key order.
int dump(Args args)
{
    if (args.size() != 1) {
        complain("usage: vel index dump FILE");
        return 2;
    }
    std::string path = args[0];
    Value index = openIndex(path, false);
    ValueIndex* vi = asValueIndex(index);
    if (!vi)
        return 2;
    index::BtreeFile& f = vi->file();
    if (f.verify() != index::kOk) {
        complain(path + ": damaged: " + describeFailure(f));
        return 2;
    }
    Value keys = vi->keysWithPrefix(Value::string(""));
    std::string out = "(table ";
    {
        PrintIndentation nested(7);
        bool first = true;
        if (ValueList* list = asValueList(keys)) {
            for (const Value& key : *list) {
                if (!first)
                    out += "\n" + PrintIndentation::current();
                first = false;
                out += '(';
                std::size_t keyStart = out.size();
                printTo(out, key, true);
                PrintIndentation underValue(out.size() - keyStart + 2);
                out += ' ';
                printTo(out, vi->get(key), true);
                out += ')';
            }
        }
    }
    out += ')';
    printLine(out);
    return 0;
}

int recover(Args args)
{
    if (args.size() != 1) {
        complain("usage: vel index recover FILE");
        return 2;
    }
    std::string path = args[0];
    if (!checkReadable(path))
        return 2;
    index::BtreeFile f;
    bool wasMarked = false;
    int rc = f.recover(path, &wasMarked);
    if (rc == index::kOk) {
        printLine(path + (wasMarked ? ": sound; in-use mark cleared" : ": sound; it was not marked in use"));
        return 0;
    }
    if (rc == index::kLockFailed)
        complain(path + ": still open in another process; nothing changed");
    else if (f.secondaryError() == index::kNotAnIndex)
        complain(path + ": not an index file");
    else if (rc == index::kReadShort)
        complain(path + (wasMarked ? ": damaged, left marked in use: " : ": damaged: ") + describeFailure(f));
    else
        complain(path + ": cannot recover: " + index::describeError(rc));
    return 2;
}

} // namespace

int runIndex(Args args)
{
    if (args.empty()) {
        complain("usage: vel index create|put|get|keys|values|count|verify|dump|recover FILE ...");
        return 2;
    }
    std::string_view command = args[0];
    Args rest = args.subspan(1);
    const std::string path = rest.empty() ? "" : rest[0];
    ReadingFile naming(path);
    if (command == "create") return create(rest);
    if (command == "put") return put(rest);
    if (command == "get") return get(rest);
    if (command == "keys") return walk(rest, false);
    if (command == "values") return walk(rest, true);
    if (command == "count") return count(rest);
    if (command == "verify") return verify(rest);
    if (command == "dump") return dump(rest);
    if (command == "recover") return recover(rest);
    complain("unknown index command: " + quoted(command));
    return 2;
}

} // namespace vel::tool
