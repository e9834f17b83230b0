// The index engine's result codes. Operations answer 0 or one of these negative codes; searches
// also answer the small positive results of FindResult.
#pragma once

namespace vel::index {

enum Error : int {
    kOk = 0,
    kOutOfRange = -1,        // argument out of range, system read failure, lock refused on one try
    kBadKey = -2,            // key number outside 1-20, or a record or key too long to store
    kNotOpen = -3,
    kCloseFailed = -4,       // pending pages or the header could not be written at close
    kWriteFailed = -8,
    kReadShort = -9,         // also a page or header whose contents are damaged
    kDescriptorKey = -27,    // key number above 15 in a creation descriptor
    kExists = -29,
    kByteOrderChoice = -32,
    kReadOnly = -33,
    kKeyType = -35,          // key type above 20, or descriptors that differ from the file's
    kSegmentList = -37,
    kInUse = -40,            // the in-use mark says a writer holds the file (or died holding it)
    kLockFailed = -102,
};

// Secondary codes: what lies behind a failure when it is not the operating system's own code.
enum SecondaryError : int {
    kNotAnIndex = -210,      // the header page does not describe an index file
    kPageUnreadable = -211,  // a page lies outside the file or could not be read
    kPageDamaged = -212,     // a page's header or entry lengths do not hold together
    kTreeDamaged = -213,     // levels, key order, sibling links or record chunks are inconsistent
    kBufferTooSmall = -214,  // a record longer than the caller's buffer: only its first part was read
};

enum FindResult : int {
    kFoundExact = 0,
    kFoundLater = 1,         // the key, at its first record after the record number asked
    kFoundGreater = 2,       // the key is absent; positioned on the next greater key
    kNoGreater = -1,
};

const char* describeError(int code);

} // namespace vel::index
