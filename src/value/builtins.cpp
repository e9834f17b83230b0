#include "value/builtins.h"

#include <cstring>
#include <string>

#include "value/buffer.h"
#include "value/data_objects.h"
#include "value/error.h"
#include "value/list.h"
#include "value/printer.h"
#include "value/protocols.h"
#include "value/string.h"
#include "value/table.h"

namespace vel {

namespace {

bool oneOf(const Value& v, std::initializer_list<Tag> tags)
{
    for (Tag t : tags)
        if (v.is(t))
            return true;
    return false;
}

// The object's protocol when its tag is one the builtin accepts; otherwise a bad-argument report.
template <typename Protocol>
Protocol* accepted(const Value& v, std::initializer_list<Tag> tags, const char* signature)
{
    Protocol* p = oneOf(v, tags) ? protocolOf<Protocol>(v) : nullptr;
    if (!p)
        badArgument(signature);
    return p;
}

Value emptyList()
{
    return ValueList::make();
}

Value emptyLike(const Value& stringOrList)
{
    return stringOrList.is(Tag::String) ? Value::string("", 0) : emptyList();
}

int32_t lengthOf(const Value& stringOrList)
{
    if (String* s = asString(stringOrList))
        return s->length();
    return asList(stringOrList)->count();
}

} // namespace

Value resolveReference(const Value& v)
{
    if (!v.is(Tag::Reference))
        return v;
    auto* r = protocolOf<ResolvableProtocol>(v);
    return r ? r->resolve() : Value();
}

// ---- collections ----

int32_t velCount(const Value& c)
{
    switch (c.tag()) {
    case Tag::String: return c.as<String>()->length();
    case Tag::Buffer: return c.as<Buffer>()->length();
    case Tag::List: return c.as<List>()->count();
    case Tag::Table: return c.as<Table>()->count();
    default: break;
    }
    static const char* signature = "velCount(collection)";
    auto* p = accepted<CollectionProtocol>(c, {Tag::Stream, Tag::Movie, Tag::Archive, Tag::ValueIndex}, signature);
    return p ? p->collectionCount() : 0;
}

int32_t velCapacity(const Value& c)
{
    switch (c.tag()) {
    case Tag::Buffer: return c.as<Buffer>()->capacity();
    case Tag::List: return c.as<List>()->capacity();
    case Tag::Table: return c.as<Table>()->capacity();
    default:
        badArgument("velCapacity(collection)");
        return 0;
    }
}

int32_t velFirstIndex(const Value& c)
{
    if (c.is(Tag::List))
        return 0;
    if (Table* t = asTable(c))
        return t->firstIndex();
    badArgument("velFirstIndex(collection)");
    return 0;
}

int32_t velNextIndex(const Value& c, int32_t i)
{
    if (List* l = asList(c))
        return i + 1 < l->count() ? i + 1 : -1;
    if (Table* t = asTable(c))
        return t->nextIndex(i);
    badArgument("velNextIndex(collection,VELINT)");
    return 0;
}

Value velGet(const Value& c, int32_t i)
{
    if (List* l = asList(c))
        return l->get(i);
    if (Table* t = asTable(c))
        return t->valueAt(i);
    if (c.is(Tag::Reference)) {
        Value target = resolveReference(c);
        if (!target.is(Tag::Reference))
            return velGet(target, i);
    }
    auto* p = accepted<CollectionProtocol>(c, {Tag::Control, Tag::Form, Tag::Archive}, "velGet(collection,VELINT)");
    return p ? p->itemAt(i) : Value();
}

Value velGet(const Value& c, const Value& key)
{
    if (Table* t = asTable(c))
        return t->get(key);
    if (c.is(Tag::Reference)) {
        Value target = resolveReference(c);
        if (!target.is(Tag::Reference))
            return velGet(target, key);
    }
    auto* p = accepted<CollectionProtocol>(c, {Tag::Control, Tag::Form, Tag::ValueIndex}, "velGet(tableOrCtrlOrForm,hnd)");
    return p ? p->getKey(key) : Value();
}

void velPut(const Value& c, int32_t n, const Value& v)
{
    if (List* l = asList(c))
        return l->set(n, v);
    if (auto* p = accepted<CollectionProtocol>(c, {Tag::Archive}, "velPut(lst,n,obj)"))
        p->putItem(n, v);
}

void velPut(const Value& c, const Value& key, const Value& v)
{
    if (Table* t = asTable(c))
        return t->put(key, v);
    if (c.is(Tag::Reference)) {
        Value target = resolveReference(c);
        if (!target.is(Tag::Reference))
            return velPut(target, key, v);
    }
    if (auto* p = accepted<CollectionProtocol>(c, {Tag::Control, Tag::Form, Tag::ValueIndex}, "velPut(tblOrCtrlOrFrm,obj,obj)"))
        p->putKey(key, v);
}

Value velGetKey(const Value& c, int32_t slot)
{
    if (Table* t = asTable(c))
        return t->keyAt(slot);
    if (c.is(Tag::Reference)) {
        Value target = resolveReference(c);
        if (target.is(Tag::Table))
            return velGetKey(target, slot);
    }
    badArgument("velGetKey(tblOrCtrlOrFrm,VELINT)");
    return Value();
}

void velRemoveKey(const Value& c, const Value& key)
{
    if (Table* t = asTable(c))
        return t->remove(key);
    if (c.is(Tag::Reference)) {
        Value target = resolveReference(c);
        if (!target.is(Tag::Reference))
            return velRemoveKey(target, key);
    }
    if (auto* p = accepted<CollectionProtocol>(c, {Tag::Control, Tag::Form}, "velRemoveKey(tblOrCtrlOrFrm,obj)"))
        p->removeKey(key);
}

bool velContainsKey(const Value& c, const Value& key)
{
    if (Table* t = asTable(c))
        return t->contains(key);
    if (c.is(Tag::Reference)) {
        Value target = resolveReference(c);
        if (!target.is(Tag::Reference))
            return velContainsKey(target, key);
    }
    auto* p = accepted<CollectionProtocol>(c, {Tag::Control, Tag::Form, Tag::ValueIndex}, "velContainsKey(tblOrCtrlOrFrm,obj)");
    return p ? p->containsKey(key) : false;
}

void velAddItem(const Value& c, const Value& v, int32_t times)
{
    if (List* l = asList(c)) {
        for (int32_t i = 0; i < times; ++i)
            l->append(v);
        return;
    }
    if (auto* p = accepted<CollectionProtocol>(c, {Tag::Archive}, "velAddItem(lstOrArchive,obj [,VELINT])"))
        for (int32_t i = 0; i < times; ++i)
            p->addItem(v);
}

Value velCopy(const Value& c)
{
    switch (c.tag()) {
    case Tag::String:
        return Value::string(c.as<String>()->view());
    case Tag::Buffer: {
        Buffer* source = c.as<Buffer>();
        // The copy keeps the source's length as well as its bytes; a copy that read as empty would
        // lose them for every caller that goes by the length.
        return Buffer::over(source->bytes(), source->length(), true);
    }
    case Tag::List:
        return c.as<List>()->copy();
    case Tag::Table:
        return c.as<Table>()->copy();
    default:
        badArgument("velCopy( LstTblStr )");
        return Value();
    }
}

int32_t velIndexOf(const Value& c, const Value& what, int32_t start)
{
    if (c.is(Tag::String)) {
        if (what.is(Tag::Int))
            return stringIndexOfChar(c, static_cast<unsigned char>(what.asInt()), start);
        if (what.is(Tag::String))
            return stringIndexOf(c, textOf(what), start);
        velError("velIndexOf(s,hnd,VELINT): Cannot search for an object of type " +
                 std::to_string(static_cast<int32_t>(what.tag())) + "\n");
        return -1;
    }
    if (List* l = asList(c))
        return l->indexOf(what, start);
    badArgument("velIndexOf(s,hnd [,VELINT])");
    return 0;
}

Value velLeft(const Value& c, int32_t n, int32_t)
{
    if (!c.is(Tag::String) && !c.is(Tag::List)) {
        badArgument("velLeft(stringOrList,VELINT,VELINT)");
        return Value();
    }
    if (n < 0)
        n += lengthOf(c);
    if (n < 0)
        return emptyLike(c);
    return c.is(Tag::String) ? stringLeft(c, n) : c.as<List>()->left(n);
}

Value velRight(const Value& c, int32_t n, int32_t)
{
    if (!c.is(Tag::String) && !c.is(Tag::List)) {
        badArgument("velRight(stringOrList,VELINT,VELINT)");
        return Value();
    }
    if (n < 0)
        n += lengthOf(c);
    if (n < 0)
        return emptyLike(c);
    return c.is(Tag::String) ? stringRight(c, n) : c.as<List>()->right(n);
}

Value velMid(const Value& c, int32_t start, int32_t n)
{
    if (c.is(Tag::String))
        return stringMid(c, start, n);
    if (List* l = asList(c))
        return l->mid(start, n);
    badArgument("velMid(stringOrList,VELINT,VELINT)");
    return Value();
}

Value velAdd(const Value& a, const Value& b)
{
    if (!a.is(Tag::String) && !b.is(Tag::String)) {
        badArgument("velAdd(listOrString,listOrString)");
        return Value();
    }
    std::string joined;
    printTo(joined, a, false);
    printTo(joined, b, false);
    return Value::string(joined);
}

bool velGetChars(const Value& c, char* out, int32_t size)
{
    if (c.is(Tag::String))
        return stringCopyTo(c, out, size);
    if (Buffer* b = asBuffer(c))
        return b->copyTo(out, size);
    badArgument("velGetChars(stringOrBuf,VELCHAR VELPTR,VELINT)");
    return false;
}

Value velTokenize(const Value& text, const Value& delimiters)
{
    std::string_view source;
    if (String* s = asString(text))
        source = s->view();
    else if (Buffer* b = asBuffer(text))
        source = {reinterpret_cast<const char*>(b->bytes()), static_cast<std::size_t>(b->length())};
    else {
        badArgument("velTokenize(stringOrBuffer,string)");
        return Value();
    }
    if (!delimiters.is(Tag::String)) {
        badArgument("velTokenize(stringOrBuffer,string)", 2);
        return Value();
    }
    std::string_view delimiterText = textOf(delimiters);
    if (delimiterText.size() >= 256) {
        velError("velTokenize: Delimiter set too large: " + std::string(delimiterText));
        return Value();
    }
    bool isDelimiter[256] = {};
    for (char d : delimiterText)
        isDelimiter[static_cast<unsigned char>(d)] = true;
    std::size_t zero = source.find('\0');
    if (zero != std::string_view::npos)
        source = source.substr(0, zero);
    Value result = ValueList::make(static_cast<int32_t>(source.size() / 4 + 10), 100);
    List* list = result.as<List>();
    std::size_t position = 0;
    for (;;) {
        std::size_t end = position;
        while (end < source.size() && !isDelimiter[static_cast<unsigned char>(source[end])])
            ++end;
        list->append(Value::string(source.substr(position, end - position)));
        if (end >= source.size())
            break;
        position = end + 1;
        if (position >= source.size()) {
            list->append(Value::string("", 0));
            break;
        }
    }
    return result;
}

Value velTable(int32_t capacity, int32_t growth, int32_t thresholdPercent)
{
    if (capacity < 1) {
        velError("velTable(VELINT,VELINT,VELINT): Argument 1 must be greater than zero.");
        return Value();
    }
    return Table::make(capacity, growth, thresholdPercent);
}

Value velBuffer(int32_t size)
{
    if (size <= 0) {
        velError("velBuffer(VELINT): Cannot allocate buffer object of size " + std::to_string(size));
        return Buffer::make(0);
    }
    return Buffer::make(size);
}

Value velSortLists(const Value& rows, int32_t column, bool descending)
{
    List* l = asList(rows);
    if (!l) {
        badArgument("velSortLists(lstOfLst,VELINT,VELORDER)");
        return Value();
    }
    return l->sortByColumn(column, descending);
}

// ---- geometry, actions, media ----

namespace {
constexpr std::initializer_list<Tag> kPlaced = {Tag::Movie, Tag::Control, Tag::Form};
constexpr std::initializer_list<Tag> kSized = {Tag::Image, Tag::Movie, Tag::Control, Tag::Form};
} // namespace

int32_t velLeft(const Value& v)
{
    if (Region* r = asRegion(v))
        return r->left;
    auto* g = accepted<GeometryProtocol>(v, kPlaced, "velLeft(ctrlFrmMov)");
    return g ? g->left() : 0;
}

int32_t velTop(const Value& v)
{
    if (Region* r = asRegion(v))
        return r->top;
    auto* g = accepted<GeometryProtocol>(v, kPlaced, "velTop(ctrlFrmMov)");
    return g ? g->top() : 0;
}

int32_t velWidth(const Value& v)
{
    if (Region* r = asRegion(v))
        return r->right - r->left;
    if (v.is(Tag::TextBlock))
        return v.as<TextBlock>()->width;
    auto* g = accepted<GeometryProtocol>(v, kSized, "velWidth(imgMovTxtRgn)");
    return g ? g->width() : 0;
}

int32_t velHeight(const Value& v)
{
    if (Region* r = asRegion(v))
        return r->bottom - r->top;
    if (v.is(Tag::TextBlock))
        return v.as<TextBlock>()->height;
    auto* g = accepted<GeometryProtocol>(v, kSized, "velHeight(imgMovTxtRgn)");
    return g ? g->height() : 0;
}

bool velContainsPoint(const Value& v, int32_t x, int32_t y)
{
    if (Region* r = asRegion(v))
        return r->containsPoint(x, y);
    badArgument("velContainsPoint(rgn,VELINT,VELINT)");
    return false;
}

Value velPerform(const Value& target, const Value& action, const Value& data)
{
    auto* p = accepted<PerformProtocol>(target, {Tag::Form, Tag::Control}, "velPerform(frmOrCtrl,action,data)");
    return p ? p->perform(action, data) : Value();
}

namespace {
MediaProtocol* media(const Value& v, std::initializer_list<Tag> tags, const char* signature)
{
    return accepted<MediaProtocol>(resolveReference(v), tags, signature);
}
} // namespace

bool velPlay(const Value& v, int32_t from, int32_t to, bool wait)
{
    auto* m = media(v, {Tag::Sound, Tag::Movie}, "velPlay(movOrSnd [,VELINT,VELINT,VELBOOL])");
    return m ? m->play(from, to, wait) : false;
}

void velStop(const Value& v)
{
    if (auto* m = media(v, {Tag::Sound, Tag::Movie}, "velStop(movOrSnd)"))
        m->stop();
}

bool velIsPlaying(const Value& v)
{
    auto* m = media(v, {Tag::Sound, Tag::Movie}, "velIsPlaying(movOrSnd)");
    return m ? m->isPlaying() : false;
}

bool velShow(const Value& v)
{
    auto* m = media(v, {Tag::Movie}, "velShow(movie)");
    return m ? m->show() : false;
}

bool velHide(const Value& v)
{
    auto* m = media(v, {Tag::Movie}, "velHide(mov)");
    return m ? m->hide() : false;
}

bool velMove(const Value& v, int32_t x, int32_t y)
{
    auto* m = media(v, {Tag::Movie}, "velMove(mov)");
    return m ? m->move(x, y) : false;
}

bool velSetSize(const Value& v, int32_t width, int32_t height)
{
    auto* m = media(v, {Tag::Movie}, "velSetSize(mov)");
    return m ? m->setSize(width, height) : false;
}

} // namespace vel
