// The builtin function library: free functions over values that check their arguments' tags and
// dispatch to the object's own operation. A wrong type is reported with the builtin's signature and
// the documented fallback is returned.
#pragma once

#include <cstdint>

#include "value/value.h"

namespace vel {

// Collections.
int32_t velCount(const Value& collection);
int32_t velCapacity(const Value& collection);
int32_t velFirstIndex(const Value& collection);
int32_t velNextIndex(const Value& collection, int32_t i);
Value velGet(const Value& collection, int32_t i);
Value velGet(const Value& tableOrCtrlOrForm, const Value& key);
void velPut(const Value& list, int32_t n, const Value& v);
void velPut(const Value& tableOrCtrlOrForm, const Value& key, const Value& v);
Value velGetKey(const Value& table, int32_t slot);
void velRemoveKey(const Value& tableOrCtrlOrForm, const Value& key);
bool velContainsKey(const Value& tableOrCtrlOrForm, const Value& key);
void velAddItem(const Value& listOrArchive, const Value& v, int32_t times = 1);
Value velCopy(const Value& listTableString);
int32_t velIndexOf(const Value& stringOrList, const Value& what, int32_t start = 0);
Value velLeft(const Value& stringOrList, int32_t n, int32_t ignored = 0);
Value velMid(const Value& stringOrList, int32_t start, int32_t n);
Value velRight(const Value& stringOrList, int32_t n, int32_t ignored = 0);
Value velAdd(const Value& a, const Value& b);
bool velGetChars(const Value& stringOrBuf, char* out, int32_t size);
Value velTokenize(const Value& stringOrBuffer, const Value& delimiters);
Value velTable(int32_t capacity, int32_t growth, int32_t thresholdPercent);
Value velBuffer(int32_t size);
Value velSortLists(const Value& listOfLists, int32_t column, bool descending);

// Geometry, actions and media.
int32_t velLeft(const Value& ctrlFrmMov);
int32_t velTop(const Value& ctrlFrmMov);
int32_t velWidth(const Value& imgMovTxtRgn);
int32_t velHeight(const Value& imgMovTxtRgn);
bool velContainsPoint(const Value& region, int32_t x, int32_t y);
Value velPerform(const Value& frmOrCtrl, const Value& action, const Value& data);
bool velPlay(const Value& movOrSnd, int32_t from = -1, int32_t to = -1, bool wait = false);
void velStop(const Value& movOrSnd);
bool velIsPlaying(const Value& movOrSnd);
bool velShow(const Value& movie);
bool velHide(const Value& movie);
bool velMove(const Value& movie, int32_t x, int32_t y);
bool velSetSize(const Value& movie, int32_t width, int32_t height);

// A reference (tag 26) resolved to the value it names; any other value unchanged.
Value resolveReference(const Value& v);

} // namespace vel
