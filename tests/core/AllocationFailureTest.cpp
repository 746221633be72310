// Memory that runs out at any one allocation of a job, on any of its threads. In a
// 32-bit process this is how it happens: a large block cannot be had while small ones
// still can. The job must then end as if nothing had failed, or say so and leave the
// form as it was, so that a retry gives what a first success would have given. A size
// that no block could have fails in the same way.
#include "TestUtil.h"

#include "form/MemoryForm.h"
#include "form/Texts.h"
#include "jobs/Jobs.h"
#include "jobs/StreamJobs.h"
#include "rows/PodArray.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <new>
#include <tuple>

namespace {
std::atomic<long> g_nAllocsBeforeFailure{-1}; // -1: none fails
std::atomic<bool> g_bFailed{false};
thread_local bool t_bSpared = false; // the test's own allocations never fail

bool FailThisAllocation() {
    if (t_bSpared || g_nAllocsBeforeFailure.load(std::memory_order_relaxed) < 0 ||
        g_nAllocsBeforeFailure.fetch_sub(1) != 0)
        return false;
    g_bFailed = true;
    errno = ENOMEM; // as the system's allocator says it
    return true;
}
} // namespace

// With glibc every allocation, the row store's own malloc and realloc included, goes
// through these; elsewhere, and beside the sanitizers' allocator, only operator new does.
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void* malloc(std::size_t n) {
    return FailThisAllocation() ? nullptr : __libc_malloc(n);
}
void* calloc(std::size_t n, std::size_t size) {
    return FailThisAllocation() ? nullptr : __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t n) {
    return FailThisAllocation() ? nullptr : __libc_realloc(p, n);
}
void* aligned_alloc(std::size_t nAlign, std::size_t n) {
    return FailThisAllocation() ? nullptr : __libc_memalign(nAlign, n);
}
}
#else
// Every form of new and delete, so that each block goes back the way it came; none is
// inlined where the compiler would see free meet new.
[[gnu::noinline]] void* operator new(std::size_t n) {
    void* p = FailThisAllocation() ? nullptr : std::malloc(n == 0 ? 1 : n);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}
[[gnu::noinline]] void* operator new[](std::size_t n) {
    return operator new(n);
}
[[gnu::noinline]] void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return FailThisAllocation() ? nullptr : std::malloc(n == 0 ? 1 : n);
}
[[gnu::noinline]] void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept {
    return operator new(n, tag);
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
#endif

namespace {

// Records the messages in memory that never fails, for it is the test's, not the job's.
class CRecordingForm : public CMemoryForm {
public:
    void ShowMessage(std::string_view strUtf8) override {
        t_bSpared = true;
        CMemoryForm::ShowMessage(strUtf8);
        t_bSpared = false;
    }
};

// What a job may change, and what must be back as it was after a failure.
using FormShot =
    std::tuple<Rows, Rows, std::size_t, std::size_t, std::optional<SLoaded>, std::string>;
FormShot ShotOf(const CRecordingForm& form) {
    return {RowsOf(form.m_rowsIn),       RowsOf(form.m_rowsOut), form.m_rowsIn.ChunkCount(),
            form.m_rowsOut.ChunkCount(), form.m_loaded,          ReadBytes(form.m_strSavePath)};
}

// Runs run with each allocation failing in turn, from the first, until five runs in a row
// meet none; after each, check(result, where) judges it and prepares the next. Returns how
// many runs failed.
template <typename Run, typename Check>
int FailEachAllocation(const std::string& strJob, Run run, Check check) {
    int nFailed = 0;
    // The threads' allocations come in an order of their own, so the count varies a little.
    for (long nAlloc = 0, nClean = 0; nClean < 5; ++nAlloc) {
        g_bFailed = false;
        g_nAllocsBeforeFailure = nAlloc;
        const EJobResult result = run();
        g_nAllocsBeforeFailure = -1;
        nClean = g_bFailed ? 0 : nClean + 1; // none failed: fewer allocations than that
        nFailed += result == EJobResult::Completed ? 0 : 1;
        check(result, strJob + ", allocation " + std::to_string(nAlloc));
    }
    return nFailed;
}

TEST(OutOfMemory, AtEachAllocationOfAJob) {
    CTempDir dir;
    std::filesystem::create_directory(dir / "save");
    // Rows over several chunks and batches, a third of them repeated later.
    std::string strData = "\xEF\xBB\xBF";
    for (int i = 0; i < 30000; ++i)
        strData += "http://h" + std::to_string(i % 20000) + "/" + (i % 2 ? kM + "?x" : "") + "\r\n";
    WriteBytes(dir / "urls.txt", strData);
    WriteBytes(dir / "old.txt", "\x82\xA0/" + kM + "\r\n"); // converted when saved with UTF-8 rows
    // After an earlier file's load and conversion, the job's file is chosen; the other jobs
    // find it loaded.
    auto prepare = [&](CRecordingForm& form, EJobId id) {
        form = CRecordingForm();
        form.m_strSavePath = dir / "save/out.txt";
        form.m_strDataPath = dir / "old.txt";
        RunLoadJob(form);
        RunConvertJob(form);
        std::filesystem::remove(form.m_strSavePath);
        form.m_rowsIn.Free();
        form.m_strDataPath = dir / "urls.txt";
        if (id != kLoadJob)
            RunLoadJob(form);
        form.m_messages.clear();
    };
    for (std::size_t nJob = 0; nJob < kJobCount; ++nJob) {
        const EJobId id = static_cast<EJobId>(nJob);
        CRecordingForm form;
        prepare(form, id);
        const FormShot before = ShotOf(form);
        ASSERT_EQ(RunJob(form, kJobs[id]), EJobResult::Completed);
        const FormShot done = ShotOf(form);
        FormShot doneUnsaved = done;
        std::get<5>(doneUnsaved).clear();
        const Messages doneMessages = form.m_messages;
        prepare(form, id);
        const int nFailed = FailEachAllocation(
            kJobs[id].pszName, [&] { return RunJob(form, kJobs[id]); },
            [&](EJobResult result, const std::string& strAt) {
                if (result == EJobResult::Completed) { // or the allocation was only a hint
                    EXPECT_TRUE(ShotOf(form) == done) << strAt;
                    EXPECT_EQ(form.m_messages, doneMessages) << strAt;
                    return prepare(form, id);
                }
                // The duplicate removal's list may stand as done when only the save ran out.
                const FormShot after = ShotOf(form);
                EXPECT_TRUE(after == before || (id == kDedupJob && after == doneUnsaved)) << strAt;
                EXPECT_EQ(form.m_messages, Messages{texts::kOutOfMemory}) << strAt;
                EXPECT_EQ(Snapshot(dir / "save"), Files{}) << strAt;
                form.m_messages.clear();
            });
        EXPECT_GT(nFailed, 10) << kJobs[id].pszName;
    }
}

// kelvane-cli's streaming jobs, the trim's rows waiting for their code among them: each
// completes as it would have, or says that memory ran out, after the load's line once the
// data file has been read, and leaves no save file.
TEST(OutOfMemory, AtEachAllocationOfAStreamingJob) {
    CTempDir dir;
    std::filesystem::create_directory(dir / "save");
    std::string strRows;
    for (int i = 0; i < 20000; ++i)
        strRows += "http://h" + std::to_string(i % 15000) + "/" + (i % 2 ? kM + "?x" : "") + "\r\n";
    // UTF-8 by its mark, and UTF-8 that its last row makes Shift-JIS.
    WriteBytes(dir / "bom.txt", "\xEF\xBB\xBF" + strRows);
    WriteBytes(dir / "late.txt", "\xE4\xBE\x8B\r\n" + strRows + "\x83\x65\r\n");
    for (const char* pszData : {"bom.txt", "late.txt"})
        for (const EJobId id : {kConvertJob, kDedupJob}) {
            CRecordingForm form;
            SStreamCounts counts;
            auto prepare = [&] {
                form = CRecordingForm();
                form.m_strDataPath = dir / pszData;
                form.m_strSavePath = dir / "save/out.txt";
                std::filesystem::remove(form.m_strSavePath);
            };
            prepare();
            ASSERT_EQ(StreamJob(form, id, counts), EJobResult::Completed);
            const std::string strDone = ReadBytes(form.m_strSavePath);
            const Messages doneMessages = form.m_messages;
            prepare();
            const int nFailed = FailEachAllocation(
                pszData + (", " + std::string(kJobs[id].pszName)),
                [&] { return StreamJob(form, id, counts); },
                [&](EJobResult result, const std::string& strAt) {
                    Messages expected = doneMessages;
                    if (result != EJobResult::Completed) {
                        expected.back() = texts::kOutOfMemory;
                        if (form.m_messages.size() == 1)
                            expected.erase(expected.begin());
                    }
                    EXPECT_EQ(form.m_messages, expected) << strAt;
                    const Files saved{{"out.txt", strDone}};
                    EXPECT_TRUE(Snapshot(dir / "save") ==
                                (result == EJobResult::Completed ? saved : Files{}))
                        << strAt;
                    prepare();
                });
            EXPECT_GT(nFailed, 5) << pszData << ", " << kJobs[id].pszName;
        }
}

// Sizes near the top of size_t (the i686 build's 32 bits included) fail as allocations
// do, never by wrapping round to a small block.
TEST(SizeLimits, GrowthThatCannotBeRepresentedFails) {
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    CPodArray<std::uint64_t> words;
    EXPECT_THROW(words.Reserve(kMax / 8 + 1), std::bad_alloc);
    CPodArray<char> bytes;
    bytes.Append("abc", 3);
    EXPECT_THROW(bytes.Grow(kMax - 1), std::bad_alloc);
    EXPECT_EQ(std::string(bytes.Data(), bytes.Size()), "abc");
}

} // namespace
