// vel print, vel compile and vel archive.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "commands.h"
#include "data_file.h"
#include "value/archive.h"
#include "value/encoding.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/stream.h"
#include "value/string.h"

namespace vel::tool {

namespace {

void printQuoted(const Value& v)
{
    std::string text = quotedForm(v);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stdout);
}

int printArchive(const std::string& path)
{
    Value archive = Archive::open(Value::string(path), false);
    Archive* a = asArchive(archive);
    if (!a)
        return 2;
    int32_t count = a->count();
    std::printf("(archive %d)\n", count);
    for (int32_t k = 0; k < count; ++k) {
        std::printf("; item %d\n", k);
        printQuoted(a->get(k));
    }
    return 0;
}

int printFile(const std::string& path)
{
    ReadingFile naming(path);
    auto bytes = readWholeFile(path);
    if (!bytes)
        return 2;
    switch (classify(path, *bytes)) {
    case FileKind::Archive:
        return printArchive(path);
    case FileKind::Encoded: {
        auto value = decodeWhole(path, *bytes);
        if (!value)
            return 2;
        printQuoted(*value);
        return 0;
    }
    case FileKind::Text: {
        std::vector<Value> values = parseAll(*bytes);
        if (values.empty()) {
            complain(path + ": no value in it");
            return 2;
        }
        for (const Value& v : values)
            printQuoted(v);
        return 0;
    }
    }
    return 2;
}


} // namespace

int runPrint(Args args)
{
    if (args.empty()) {
        complain("usage: vel print FILE...");
        return 2;
    }
    int status = 0;
    for (const char* path : args) {
        int s = printFile(path);
        if (s > status)
            status = s;
    }
    return status;
}

int runCompile(Args args)
{
    if (args.size() != 2) {
        complain("usage: vel compile IN OUT");
        return 2;
    }
    const std::string in = args[0];
    ReadingFile naming(in);
    auto value = readOneValue(in);
    if (!value)
        return 2;
    bool ok = false;
    std::vector<uint8_t> bytes = encodeToBytes(*value, &ok);
    if (!ok)
        return 2;
    return writeWholeFile(args[1], std::string(bytes.begin(), bytes.end())) ? 0 : 2;
}

int runArchive(Args args)
{
    std::string_view verb = args.empty() ? "" : args[0];
    if (verb == "create" && args.size() == 3) {
        const std::string in = args[2];
        ReadingFile naming(in);
        auto value = readOneValue(in);
        if (!value)
            return 2;
        ValueList* items = asValueList(*value);
        if (!items) {
            complain(std::string(args[2]) + ": a list of items is expected");
            return 2;
        }
        // Built in memory and written whole, so a failure leaves any earlier file as it was.
        Value bytes = MemoryStream::growable();
        {
            Value archive = Archive::create(bytes, items->count() > 0 ? items->count() : 4);
            Archive* a = asArchive(archive);
            if (!a)
                return 2;
            for (const Value& item : *items)
                if (!a->add(item))
                    return 2;
            if (!a->flush())
                return 2;
        }
        const MemoryStream* written = bytes.as<MemoryStream>();
        if (!writeWholeFile(args[1], std::string(reinterpret_cast<const char*>(written->data()),
                                                 static_cast<std::size_t>(written->length()))))
            return 2;
        return 0;
    }
    const std::string path = args.size() >= 2 ? args[1] : "";
    ReadingFile naming(path);
    if (verb == "compact" && args.size() == 2) {
        if (!checkReadable(path))
            return 2;
        std::string reason;
        if (Archive::compact(args[1], &reason))
            return 0;
        complain(reason);
        return 2;
    }
    if ((verb == "count" && args.size() == 2) || (verb == "get" && args.size() == 3)) {
        if (!checkReadable(path))
            return 2;
        Value archive = Archive::open(Value::string(path), false);
        Archive* a = asArchive(archive);
        if (!a)
            return 2;
        if (verb == "count") {
            std::printf("%d\n", a->count());
            return 0;
        }
        int32_t n = 0;
        if (!parseNonNegative(args[2], n)) {
            complain("not an item number: " + quoted(args[2]));
            return 2;
        }
        if (n >= a->count()) {
            complain("no item " + std::to_string(n) + " in " + path + " (it holds " + std::to_string(a->count()) + ")");
            return 1;
        }
        printQuoted(a->get(n));
        return 0;
    }
    complain("usage: vel archive create OUT IN | compact FILE | count FILE | get FILE N");
    return 2;
}

} // namespace vel::tool
