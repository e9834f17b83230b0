#include "index/value_index.h"

#include <cstring>
#include <vector>

#include "value/allocator.h"
#include "value/encoding.h"
#include "value/error.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/string.h"

namespace vel {
namespace {

constexpr int kKeyNumber = 1;

// The stored form of a text key: its bytes up to the first NUL, and the terminator.
struct KeyBytes {
    uint8_t bytes[ValueIndex::kKeyLimit + 2];
    std::size_t length;

    explicit KeyBytes(std::string_view text)
    {
        std::size_t n = std::min(text.size(), ValueIndex::kKeyLimit);
        std::memcpy(bytes, text.data(), n);
        bytes[n] = 0;
        length = std::strlen(reinterpret_cast<const char*>(bytes)) + 1;
    }
    std::span<const uint8_t> span() const { return {bytes, length}; }
};

// The key text a value is stored under, without a copy when the key is a string, as most are.
std::string_view keyTextOf(const Value& key, std::string& scratch)
{
    String* s = asString(key);
    if (!s) {
        scratch = ValueIndex::keyText(key);
        return scratch;
    }
    std::string_view text = s->view();
    if (text.size() > ValueIndex::kKeyLimit)
        text = text.substr(0, ValueIndex::kKeyCut);
    return text.substr(0, text.find('\0'));
}

// One read of the file for the length of a walk: its finds and steps see one state of the file.
struct ReadBatch {
    index::BtreeFile& file;
    bool held;
    explicit ReadBatch(index::BtreeFile& f) : file(f), held(f.beginReadBatch() == index::kOk) {}
    ~ReadBatch()
    {
        if (held)
            file.endReadBatch();
    }
    ReadBatch(const ReadBatch&) = delete;
    ReadBatch& operator=(const ReadBatch&) = delete;
};

bool beginsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && std::memcmp(text.data(), prefix.data(), prefix.size()) == 0;
}

} // namespace

ValueIndex::ValueIndex() = default;

ValueIndex::ValueIndex(index::PageCache& cache) : file_(cache) {}

std::string ValueIndex::keyText(const Value& key)
{
    std::string text = displayForm(key);
    if (text.size() > kKeyLimit)
        text.resize(kKeyCut);
    // Keys are NUL-terminated in the file: a display form with a NUL byte is stored up to it.
    if (std::size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
}

Value ValueIndex::make(std::string_view fileName, bool create, bool writable)
{
    return open(new ValueIndex(), fileName, create, writable);
}

Value ValueIndex::make(std::string_view fileName, bool create, bool writable, index::PageCache& cache)
{
    return open(new ValueIndex(cache), fileName, create, writable);
}

Value ValueIndex::open(ValueIndex* made, std::string_view fileName, bool create, bool writable)
{
    Value result = Value::adopt(Tag::ValueIndex, made);
    std::string path(fileName);
    index::BtreeFile& f = made->file_;
    if (create) {
        if (f.create(path, 1) != index::kOk) {
            velError("Cannot create index");
            return Value();
        }
    } else if (writable) {
        // A damaged tree is refused here rather than written into.
        if (f.open(path, 2) != index::kOk || f.verify() != index::kOk) {
            velError("Cannot open index for writing");
            return Value();
        }
    } else if (f.open(path, 1) != index::kOk) {
        velError("Cannot open index");
        return Value();
    }
    f.setKeyMode(0);
    made->readOnly_ = !create && !writable;
    made->work_ = allocateArray<uint8_t>(kWorkSize);
    if (create) {
        made->count_ = 0;
        made->put(Value::string(kCountKey), Value::integer(0));
    } else {
        made->count_ = made->readCount();
    }
    return result;
}

bool ValueIndex::isIndexFile(std::string_view fileName)
{
    index::BtreeFile f;
    if (f.open(std::string(fileName), 1) != index::kOk)
        return false;
    f.close();
    return true;
}

ValueIndex::~ValueIndex()
{
    if (file_.isOpen()) {
        if (!readOnly_ && work_) {
            bool added = false;
            store(kCountKey, Value::integer(count_), &added);
        }
        file_.close();
    }
    releaseArray(work_, kWorkSize);
}

int32_t ValueIndex::readCount()
{
    if (findText(kCountKey)) {
        Value v = decodeWork();
        if (v.is(Tag::Int))
            return v.asInt();
    }
    // No usable count entry: count the entries themselves, the count entry's place included.
    int32_t n = 0;
    int rc = file_.find(kKeyNumber, KeyBytes("").span(), 0, nullptr, 0);
    while (rc >= 0) {
        ++n;
        rc = file_.next(kKeyNumber, nullptr, 0);
    }
    return findText(kCountKey) ? n : n + 1;
}

bool ValueIndex::findText(std::string_view text) const
{
    lastFind_ = file_.find(kKeyNumber, KeyBytes(text).span(), 0, work_, kWorkSize);
    return lastFind_ == index::kFoundExact || lastFind_ == index::kFoundLater;
}

Value ValueIndex::decodeWork() const
{
    int32_t n = file_.dataLength();
    if (n <= 0 || n > kWorkSize)
        return Value();
    return decodeFromBytes(work_, static_cast<std::size_t>(n));
}

bool ValueIndex::contains(const Value& key) const
{
    // No buffer: a record too long for the work buffer still counts as present.
    std::string scratch;
    lastFind_ = file_.find(kKeyNumber, KeyBytes(keyTextOf(key, scratch)).span(), 0, nullptr, 0);
    return lastFind_ == index::kFoundExact || lastFind_ == index::kFoundLater;
}

Value ValueIndex::get(const Value& key) const
{
    std::string scratch;
    return findText(keyTextOf(key, scratch)) ? decodeWork() : Value();
}

bool ValueIndex::store(std::string_view text, const Value& value, bool* added)
{
    bool ok = false;
    std::vector<uint8_t> encoded = encodeToBytes(value, &ok);
    // Records live in the work buffer's size; a larger encoding is refused before anything is written.
    if (!ok || encoded.size() > static_cast<std::size_t>(kWorkSize))
        return false;
    KeyBytes key(text);
    auto length = static_cast<int32_t>(encoded.size());
    int rc = file_.find(kKeyNumber, key.span(), 0, nullptr, 0);
    if (rc == index::kFoundExact || rc == index::kFoundLater) {
        *added = false;
        return file_.rewriteRecord(kKeyNumber, key.span(), file_.recordNumber(), encoded.data(), length) == index::kOk;
    }
    if (rc != index::kFoundGreater && rc != index::kNoGreater)
        return false;
    // The key is known to be absent: no second search for it.
    *added = true;
    return file_.addKey(kKeyNumber, key.span(), encoded.data(), length) == index::kOk;
}

void ValueIndex::put(const Value& key, const Value& value)
{
    if (readOnly_) {
        velError("Cannot put objects into a read-only index");
        return;
    }
    bool added = false;
    std::string scratch;
    if (!store(keyTextOf(key, scratch), value, &added)) {
        velError("Cannot put item into index");
        return;
    }
    if (added)
        ++count_;
}

Value ValueIndex::walk(const Value& prefix, bool values, const StopTest& stop) const
{
    std::string scratch;
    std::string_view text = keyTextOf(prefix, scratch);
    ReadBatch batch(file_);
    lastFind_ = file_.find(kKeyNumber, KeyBytes(text).span(), 0, work_, kWorkSize);
    if (lastFind_ < 0 || (lastFind_ == index::kFoundGreater && !beginsWith(file_.keyText(), text)))
        return Value();
    Value list;
    for (;;) {
        Value key = !values || stop ? Value::string(file_.keyText()) : Value();
        Value item = values ? decodeWork() : key;
        if (list.isNil())
            list = ValueList::make(4, 100);
        asValueList(list)->append(item);
        if (stop && stop(key, item))
            break;
        if (file_.next(kKeyNumber, work_, kWorkSize) != index::kOk || !beginsWith(file_.keyText(), text))
            break;
    }
    return list;
}

Value ValueIndex::valuesWithPrefix(const Value& prefix, const StopTest& stop) const
{
    return walk(prefix, true, stop);
}

Value ValueIndex::keysWithPrefix(const Value& prefix, const StopTest& stop) const
{
    return walk(prefix, false, stop);
}

} // namespace vel
