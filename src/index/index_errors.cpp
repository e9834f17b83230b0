#include "index/index_errors.h"

namespace vel::index {

const char* describeError(int code)
{
    switch (code) {
    case kOk: return "no error";
    case kOutOfRange: return "argument out of range, read failure or lock refused";
    case kBadKey: return "bad key number, or key or record too long";
    case kNotOpen: return "file not open";
    case kCloseFailed: return "pending pages or the header could not be written";
    case kWriteFailed: return "write failed";
    case kReadShort: return "short read or damaged contents";
    case kDescriptorKey: return "key number above 15 in a descriptor";
    case kExists: return "file already exists";
    case kByteOrderChoice: return "byte-order choice must be 1, 2 or 3";
    case kReadOnly: return "file opened read-only";
    case kKeyType: return "bad key type, or descriptors that do not match the file";
    case kSegmentList: return "bad key segment list";
    case kInUse: return "file marked in use by a writer";
    case kLockFailed: return "lock failed";
    case kNotAnIndex: return "not an index file";
    case kPageUnreadable: return "page outside the file or unreadable";
    case kPageDamaged: return "page contents damaged";
    case kTreeDamaged: return "tree structure damaged";
    case kBufferTooSmall: return "record longer than the buffer";
    default: return "unknown error";
    }
}

} // namespace vel::index
