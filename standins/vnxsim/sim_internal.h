// Internal interfaces between the files of the simulated control system.
// Single-threaded by design: every piece of state is module-level and is
// touched only from the caller's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "standins/vnxsim/vnxsim.h"

namespace vnxsim {

// ---- Tag database (tags.cpp) -------------------------------------------------
// Element values: the first in place, the rest of an array in a block of its
// own. A scalar, which almost every tag is, then needs no block, and a list
// read copies it without chasing a pointer.
template <typename T>
class Elements {
public:
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](size_t i) { return i == 0 ? first_ : rest_[i - 1]; }
    const T& operator[](size_t i) const { return i == 0 ? first_ : rest_[i - 1]; }
    void assign(size_t n, T value)
    {
        size_ = n;
        first_ = n > 0 ? value : T{};
        rest_.assign(n > 1 ? n - 1 : 0, value);
    }
    // Reuses this one's block: a list read allocates nothing after the first.
    void CopyFrom(const Elements& other)
    {
        size_ = other.size_;
        first_ = other.first_;
        if (!rest_.empty() || !other.rest_.empty())
            rest_.assign(other.rest_.begin(), other.rest_.end());
    }

private:
    T first_{};
    size_t size_ = 0;
    std::vector<T> rest_;
};

// What the per-step calls read comes first; the name and shape, which only
// binding and the control API look at, last.
struct Tag {
    // One entry per element (one for a scalar). Doubles hold every float and
    // every int32 exactly, so one representation serves both storages.
    Elements<double> committed;
    int32_t io_status = 1;
    int32_t quality = 0;
    int32_t data_type = VNX_TYPE_FLOAT;
    int16_t tag_status = 0;
    bool is_int = false;  // storage: int32 values; otherwise float values
    bool is_array = false;
    int32_t sends = 0;
    Elements<double> staged;
    Elements<uint8_t> staged_set;
    int16_t lower = 0;
    int16_t upper = 0;
    int16_t dims = 0;
    std::string name;
};

bool IsValidTagName(const char* name);
// Index of the tag, or -1.
int32_t FindTag(const char* name);
Tag& TagAt(int32_t index);
void ResetTags();

// ---- Name index (name_index.cpp) ---------------------------------------------
// Index of the tag with this name, or -1.
int32_t LookUpName(std::string_view name);
// A tag just added; its name must not be indexed yet.
void IndexName(std::string_view name, int32_t tag);
void ResetNameIndex();

// ---- Value conversion (convert.cpp) ------------------------------------------
// Round half away from zero, saturate to the int32 range; NaN gives 0.
int32_t SaturateToInt(double v);
// Finite values beyond the float range become +-FLT_MAX; NaN and inf pass.
float SaturateToFloat(double v);
// The value as the tag stores it.
double StoreAs(const Tag& tag, double v);
// Read a 4-byte value by conversion code: 0, or VNX_ST_INVALID_CONVERSION.
int16_t DecodeValue(const void* src, int32_t conversion, double* out);
// Write a value into a 4-byte buffer by conversion code.
int16_t EncodeValue(double v, int32_t conversion, void* dst);
bool IsKnownConversion(int32_t conversion);

// ---- Handles (handles.cpp) ---------------------------------------------------
struct Snapshot {
    bool taken = false;
    int32_t io_status = 0;  // "Data Uninitialized" until the first read
    int32_t quality = 3;
    Elements<double> values;
};

struct ListState {
    int32_t ordinal = 0;  // list:N in the trace
    int32_t head = -1;    // item slots
    int32_t tail = -1;
    int32_t count = 0;
    // Iteration position: kBeforeFirst, kPastEnd or the current item's slot.
    int32_t cursor = -1;
};
constexpr int32_t kBeforeFirst = -1;
constexpr int32_t kPastEnd = -2;

struct Slot {
    uint16_t generation = 0;
    uint8_t kind = 0;
    bool live = false;
    int32_t tag = -1;  // tags and items
    // Tags and items: the tag's element count, fixed when it was defined; kept
    // here so that a query on an item need not look at the tag.
    int32_t elements = 0;
    // Items: the list holding the item (-1: detached) and their neighbours.
    int32_t list = -1;
    int32_t prev = -1;
    int32_t next = -1;
    Snapshot snap;
    // Lists.
    ListState lst;
};

constexpr unsigned kTagBit = 1u << VNX_KIND_TAG;
constexpr unsigned kItemBit = 1u << VNX_KIND_ITEM;
constexpr unsigned kListBit = 1u << VNX_KIND_LIST;

// A fresh handle of this kind, or null when the table is full.
VnxHandle OpenHandle(VnxHandleKind kind, int32_t tag);
// The live slot a handle names if its kind is in `kinds`, else null.
Slot* FindSlot(VnxHandle h, unsigned kinds);
int32_t SlotIndexOf(VnxHandle h);  // only for handles FindSlot accepted
Slot& SlotAt(int32_t index);
VnxHandle HandleAt(int32_t index);
void CloseHandle(int32_t index);
int32_t CountOpen(int32_t kind);
int32_t SlotCount();
// tag:NAME, item:NAME, list:N, 0 or stale:0x...
std::string DescribeHandle(VnxHandle h);
// The tag name behind a live tag or item handle, else null.
const char* TagNameOf(VnxHandle h);
void ResetHandles();
void CloseAllHandles();

// ---- Lists (lists.cpp) -------------------------------------------------------
VnxHandle NewList();
void AppendItem(int32_t list, int32_t item);
void DetachItem(int32_t item);
void RewindList(int32_t list);
int32_t FirstItem(int32_t list);  // slot or -1
int32_t NextItem(int32_t list);
void SnapshotList(int32_t list);
// The run ended: every live list goes stale; its items stay open, detached.
void StaleAllLists();
void ResetLists();

// ---- Faults (faults.cpp) -----------------------------------------------------
struct Fault {
    bool hit = false;
    int32_t value = 0;
    explicit operator bool() const { return hit; }
};
// An injected handle result: 0 is null, anything else a made-up handle.
inline VnxHandle AsHandle(int32_t value)
{
    return reinterpret_cast<VnxHandle>(static_cast<uintptr_t>(static_cast<uint32_t>(value)));
}
// A status the operations answer, from a scripted or computed value.
inline int16_t Status(int32_t v) { return static_cast<int16_t>(v); }
// What value queries (IO status, quality, data type, array shape) answer for
// a handle they cannot use or while the API is stopped.
constexpr int32_t kBadAnswer = -1;
// Counts the call down; true when this call is the armed count-down fault.
bool TickCountdown();
// What a count-down fault answers for this operation.
int32_t CountdownValue(int32_t op);
// The first active scripted rule for this call. `name` is the tag name the
// call is about (null for none), `list` the list argument (null for none).
Fault MatchRules(int32_t op, const char* name, VnxHandle list);
bool AnyRules();
void ResetFaults();

// ---- Calls, counters, hook (calls.cpp) ---------------------------------------
// One client-library call: counts it, decides on faults, writes the trace
// line and runs the hook when it finishes.
class Call {
public:
    explicit Call(int32_t op);
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    bool tracing() const { return tracing_; }
    // The trace text between the parentheses (only when tracing).
    std::string args;
    // A scripted or count-down answer for this call.
    Fault Check(const char* name, VnxHandle list = nullptr);
    Fault CheckHandle(VnxHandle h, VnxHandle list = nullptr);

    int16_t Done(int16_t status);
    int32_t DoneInt(int32_t value);
    VnxHandle DoneHandle(VnxHandle h);

private:
    void Finish(const std::string& result);
    int32_t op_;
    int32_t number_;
    bool tracing_;
    bool countdown_;
};
const char* OpName(int32_t op);
bool IsKnownOp(int32_t op);
// A write the library took: to the observer, when one is set.
void ObserveWrite(const Tag& tag, size_t index, int32_t conversion, double value);
void ResetCalls();

// ---- Trace (trace.cpp) -------------------------------------------------------
bool TraceOn();
void AppendTrace(std::string line);
// Shortest text that reads back to the same float.
std::string FormatFloat(float v);
// A 4-byte value as "float 42.5", "int 1", "hex 0000803f" or "0" for null.
std::string FormatValue(const void* p, int32_t conversion);
std::string FormatName(const char* name);  // quoted, or 0 for null
void ResetTrace();

// ---- API run (api_run.cpp) ---------------------------------------------------
bool ApiRunning();
// The file-backed build's tag database (filebacked/tag_file.cpp).
int16_t LoadTagFile();
void ResetRun();

// ---- Process behaviour (process.cpp) -----------------------------------------
// A SendTag committed this tag: PID blocks load SP or OP from their Init tags.
void OnCommit(int32_t tag);
void ResetProcess();

}  // namespace vnxsim
