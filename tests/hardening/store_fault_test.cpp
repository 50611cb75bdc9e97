// Every write, flush, truncation, rename and folder flush of the store failing in turn: the call
// whose entry did not reach the disk reports failure, and after the store is read again from its
// file exactly the calls that reported success are there.
#include <gtest/gtest.h>
#include <iostream>
#include <sstream>
#include "hardening/store_model.h"
#include "objectstore/file.h"
#include "support/test_env.h"

namespace {

enum FaultOp { kWrite, kFlush, kTruncate, kRename, kFolderFlush, kOpCount };
const char *const kOpNames[kOpCount] = {"write", "flush", "truncate", "rename", "folder flush"};

enum class FaultMode {
    Once,           // the n-th call fails, later ones work
    FromThenOn,     // the n-th call and every later one fail
    PartialOnce,    // write: half the bytes reach the file, then ERROR_DISK_FULL, once
    DiskFull,       // write: a short write, then every write fails with ERROR_DISK_FULL
};
const char *const kModeNames[] = {"once", "from then on", "partial once", "disk full"};

struct FaultPlan {
    FaultOp op = kWrite;
    unsigned n = 0;  // 0: no fault, only counting
    FaultMode mode = FaultMode::Once;
    bool truncateFails = false;  // the file can't be cut back either
    std::string Describe() const
    {
        std::ostringstream out;
        out << kOpNames[op] << " #" << n << " fails " << kModeNames[static_cast<int>(mode)]
            << (truncateFails ? ", truncation failing" : "");
        return out.str();
    }
};

// The replaceable file operations, failing as the current plan says.
struct Injector {
    static FaultPlan plan;
    static unsigned calls[kOpCount];
    static unsigned fired;
    static bool firedOnStoreFile;  // a write or flush fault hit the store file, not the copy

    static void Reset(const FaultPlan &p)
    {
        plan = p;
        for (unsigned &c : calls)
            c = 0;
        fired = 0;
        firedOnStoreFile = false;
    }
    static bool Fires(FaultOp op)
    {
        const unsigned n = ++calls[op];
        bool fire = false;
        if (plan.n != 0 && op == plan.op)
            fire = n == plan.n || (n > plan.n && (plan.mode == FaultMode::FromThenOn || plan.mode == FaultMode::DiskFull));
        if (op == kTruncate && plan.truncateFails && fired > 0)
            fire = true;
        fired += fire;
        return fire;
    }
    static void NoteFile(HANDLE file)
    {
        WCHAR path[MAX_PATH] = L"";
        const DWORD length = GetFinalPathNameByHandleW(file, path, MAX_PATH, 0);
        const bool copy = length >= 4 && length < MAX_PATH && wcscmp(path + length - 4, L".new") == 0;
        firedOnStoreFile = firedOnStoreFile || !copy;
    }
    static BOOL Write(HANDLE file, const void *data, DWORD size, DWORD *written)
    {
        const bool first = calls[kWrite] + 1 == plan.n && plan.op == kWrite;
        if (!Fires(kWrite))
            return RealStoreFileOps().writeFile(file, data, size, written);
        NoteFile(file);
        *written = 0;
        if (first && (plan.mode == FaultMode::PartialOnce || plan.mode == FaultMode::DiskFull) && size > 1) {
            RealStoreFileOps().writeFile(file, data, size / 2, written);
            if (plan.mode == FaultMode::DiskFull)
                return TRUE;  // a short write; the next one finds the disk full
        }
        SetLastError(plan.mode == FaultMode::Once || plan.mode == FaultMode::FromThenOn ? ERROR_WRITE_FAULT
                                                                                       : ERROR_DISK_FULL);
        return FALSE;
    }
    // The test crashes nothing, so a flush that works need not wait for the disk.
    static BOOL Flush(HANDLE file)
    {
        if (!Fires(kFlush))
            return TRUE;
        NoteFile(file);
        SetLastError(ERROR_IO_DEVICE);
        return FALSE;
    }
    static BOOL Truncate(HANDLE file, ULONGLONG size)
    {
        if (!Fires(kTruncate))
            return RealStoreFileOps().truncateFile(file, size);
        SetLastError(ERROR_IO_DEVICE);
        return FALSE;
    }
    static BOOL Rename(const WCHAR *from, const WCHAR *to)
    {
        if (!Fires(kRename))
            return RealStoreFileOps().renameFile(from, to);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    static BOOL FlushFolder(const WCHAR *folder)
    {
        if (!Fires(kFolderFlush))
            return TRUE;
        SetLastError(ERROR_IO_DEVICE);
        return FALSE;
    }
};
FaultPlan Injector::plan;
unsigned Injector::calls[kOpCount];
unsigned Injector::fired;
bool Injector::firedOnStoreFile;

const StoreFileOps injectingOps = {Injector::Write, Injector::Flush, Injector::Truncate, Injector::Rename,
                                   Injector::FlushFolder};

const wchar_t kMain[] = L"Zifferbox";
const wchar_t kSecond[] = L"Kategorien";

// The calls of one run: databases made and removed, records made, rewritten and deleted, handles
// dropped so the file is read again, and enough rewriting for the file to be compacted twice.
// A = create the main database, B = create the second, N/n = new record in main/second,
// O = overwrite in main, P = drop a note, D/d = delete a record, X = delete the second database,
// R = close every handle.
const char kScript[] = "ABNNnNNNNnOOOOOOOPODROOOOOOOOONNdXRBnnOOOOOOODNOR";

struct RunResult {
    unsigned calls[kOpCount] = {};
    unsigned failedCalls = 0;
    unsigned renames = 0;
};

// Runs the script with the plan's fault and checks the store against the model; returns counts.
RunResult RunWithFault(const FaultPlan &plan)
{
    SCOPED_TRACE(plan.Describe());
    RunResult result;
    const std::wstring path = UseFreshStoreFile(L"faults");
    ModelledStore store;
    Injector::Reset(plan);
    InstallProcessStore(injectingOps);
    unsigned step = 0;
    for (const char *code = kScript; *code; ++code, ++step) {
        const unsigned firedBefore = Injector::fired;
        Injector::firedOnStoreFile = false;
        const size_t size = 2600 + step * 173 % 1400;
        bool ok = true;
        switch (*code) {
        case 'A': ok = store.CreateDatabase(kMain); break;
        case 'B': ok = store.CreateDatabase(kSecond); break;
        case 'N': ok = store.NewRecord(kMain, step, size); break;
        case 'n': ok = store.NewRecord(kSecond, step, 20); break;
        case 'O': ok = store.Overwrite(kMain, step * 5, step + 1000, size); break;
        case 'P': ok = store.DropNote(kMain, step); break;
        case 'D': ok = store.DeleteRecord(kMain, step); break;
        case 'd': ok = store.DeleteRecord(kSecond, step); break;
        case 'X': ok = store.DeleteDatabase(kSecond); break;
        case 'R': store.CloseAll(); break;
        }
        result.failedCalls += !ok;
        // A fault in the store file's own write or flush is the call's failure; one in the
        // compaction copy or a folder flush may pass unnoticed, since the entry is already on disk.
        if (Injector::fired > firedBefore && Injector::firedOnStoreFile &&
            (plan.op == kWrite || plan.op == kFlush) && *code != 'R') {
            EXPECT_FALSE(ok) << "step " << step << " '" << *code << "' reported success over a failed "
                             << kOpNames[plan.op];
        }
    }
    InstallProcessStore(RealStoreFileOps());
    for (int op = 0; op < kOpCount; ++op)
        result.calls[op] = Injector::calls[op];

    StoreState actual;
    EXPECT_TRUE(ReadStoreState(actual, store.highestId() + 64)) << "the store does not open in memory";
    EXPECT_EQ(actual, store.expected()) << "in memory: " << DescribeDifference(store.expected(), actual);
    store.CloseAll();
    EXPECT_TRUE(ReadStoreState(actual, store.highestId() + 64)) << "the store does not open from its file";
    EXPECT_EQ(actual, store.expected()) << "from the file: " << DescribeDifference(store.expected(), actual);
    EXPECT_EQ(GetFileAttributesW((path + L".new").c_str()), INVALID_FILE_ATTRIBUTES) << "a compaction copy stayed";
    DeleteFileW(path.c_str());
    return result;
}

TEST(StoreFaults, EveryFailingFileOperationKeepsExactlyTheAcknowledgedCalls)
{
    const RunResult clean = RunWithFault(FaultPlan());
    ASSERT_EQ(clean.failedCalls, 0u) << "the script fails without faults";
    ASSERT_GE(clean.calls[kRename], 2u) << "the script no longer reaches two compactions";

    struct Sweep {
        FaultOp op;
        FaultMode mode;
        bool truncateFails;
    };
    const Sweep sweeps[] = {
        {kWrite, FaultMode::Once, false},        {kWrite, FaultMode::FromThenOn, false},
        {kWrite, FaultMode::PartialOnce, false}, {kWrite, FaultMode::DiskFull, false},
        {kWrite, FaultMode::PartialOnce, true},  {kFlush, FaultMode::Once, false},
        {kFlush, FaultMode::FromThenOn, false},  {kFlush, FaultMode::Once, true},
        {kRename, FaultMode::Once, false},       {kRename, FaultMode::FromThenOn, false},
        {kFolderFlush, FaultMode::Once, false},  {kFolderFlush, FaultMode::FromThenOn, false},
        // The cut of a torn tail when the file is read again, and the cuts after failures.
        {kTruncate, FaultMode::Once, false},     {kTruncate, FaultMode::FromThenOn, false},
    };
    unsigned runs = 0, injected = 0, failedCalls = 0;
    for (const Sweep &sweep : sweeps) {
        // Faults in other operations change how many calls follow; one past the clean count
        // shows that a fault beyond the last call changes nothing.
        for (unsigned n = 1; n <= clean.calls[sweep.op] + 1; ++n) {
            FaultPlan plan;
            plan.op = sweep.op;
            plan.n = n;
            plan.mode = sweep.mode;
            plan.truncateFails = sweep.truncateFails;
            const RunResult result = RunWithFault(plan);
            ++runs;
            injected += Injector::fired;
            failedCalls += result.failedCalls;
            if (HasFailure())
                return;
        }
    }
    std::cout << runs << " runs of " << sizeof kScript - 1 << " calls, " << injected << " faults injected, "
              << failedCalls << " calls reported failure; clean run: " << clean.calls[kWrite] << " writes, "
              << clean.calls[kFlush] << " flushes, " << clean.calls[kRename] << " renames, "
              << clean.calls[kFolderFlush] << " folder flushes\n";
}

}  // namespace
