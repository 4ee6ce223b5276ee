#include "hostkit/LockService.h"

#include <cwchar>
#include <string>

namespace hostkit {

namespace {

constexpr size_t kTextMax = 64;  // characters of a function code, row or machine name, NUL included
constexpr size_t kTaskMax = 512;

struct SharedTask {
    LONG id;  // 0 = free slot
    DWORD process;
    LONG session;
    LONG subSys;
    SHORT year, period;
    LONG hasRow;
    WCHAR func[kTextMax];
    WCHAR row[kTextMax];
    WCHAR machine[kTextMax];
};

struct SharedTable {
    LONG lastTask;
    LONG lastSession;
    SharedTask tasks[kTaskMax];
};

struct Shared {
    HANDLE mutex = nullptr;
    HANDLE mapping = nullptr;
    SharedTable* table = nullptr;
};

// Opened once per module and kept for the life of the process.
Shared& shared() {
    static Shared s = [] {
        Shared r;
        r.mutex = CreateMutexW(nullptr, FALSE, L"OrviHostKit.LockService.Mutex");
        // A new mapping of the paging file starts zeroed: no tasks, no sessions.
        r.mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, DWORD(sizeof(SharedTable)),
                                       L"OrviHostKit.LockService.Table");
        if (r.mapping)
            r.table = static_cast<SharedTable*>(MapViewOfFile(r.mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SharedTable)));
        return r;
    }();
    return s;
}

// The table, held under the mutex; tasks of processes that have ended are dropped on entry.
class TableLock {
public:
    TableLock() : shared_(shared()) {
        if (!shared_.mutex || !shared_.table) raise(E_FAIL, L"The lock service is not available");
        DWORD wait = WaitForSingleObject(shared_.mutex, 30000);
        // An abandoned mutex (its holder ended) is ours all the same; the table is still whole,
        // since every change to a slot is finished before the slot's ID is written.
        if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) raise(E_FAIL, L"The lock service does not answer");
        dropEnded();
    }
    ~TableLock() { ReleaseMutex(shared_.mutex); }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

    SharedTable& table() const noexcept { return *shared_.table; }

private:
    void dropEnded() {
        DWORD self = GetCurrentProcessId();
        for (SharedTask& t : shared_.table->tasks) {
            if (!t.id || t.process == self) continue;
            HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, t.process);
            bool ended = !process || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
            if (process) CloseHandle(process);
            if (ended) t.id = 0;
        }
    }
    Shared& shared_;
};

void store(WCHAR (&dest)[kTextMax], const std::wstring& s) {
    if (s.size() >= kTextMax) raise(RuntimeError::InvalidProcedureCall);
    std::wmemcpy(dest, s.c_str(), s.size() + 1);
}

// Codes and rows match exactly: character for character, letter case and spaces included.
bool sameText(const WCHAR* a, const std::wstring& b) {
    return CompareStringOrdinal(a, -1, b.c_str(), int(b.size()), FALSE) == CSTR_EQUAL;
}

bool overlap(SHORT a, SHORT b) {
    return a == 0 || b == 0 || a == b;
}

struct Request {
    long subSys;
    std::wstring func;  // as the caller gave it
    SHORT year, period;
    bool hasRow;
    std::wstring row;
};

// Whether another session than `session` holds a task that conflicts with the request; with
// wholeSubSys, any task of the subsystem in the year and period counts.
bool heldElsewhere(const SharedTable& table, long session, const Request& r, bool wholeSubSys) {
    for (const SharedTask& t : table.tasks) {
        if (!t.id || t.session == session || t.subSys != r.subSys) continue;
        if (!overlap(t.year, r.year) || !overlap(t.period, r.period)) continue;
        if (wholeSubSys) return true;
        if (!sameText(t.func, r.func)) continue;
        if (t.hasRow && r.hasRow && !sameText(t.row, r.row)) continue;
        return true;
    }
    return false;
}

}  // namespace

LoginObject::LoginObject() {
    TableLock lock;
    session_ = ++lock.table().lastSession;
}

LoginObject::~LoginObject() {
    try {
        TableLock lock;
        for (SharedTask& t : lock.table().tasks)
            if (t.id && t.session == session_) t.id = 0;
    } catch (...) {
    }
}

STDMETHODIMP LoginObject::taskexec(long SubSysID, BSTR FuncID, BSTR Machine, short Mode, short Year, short Period,
                                   VARIANT RowID, VARIANT* ret) {
    return guard([&] {
        initOut(ret);
        Request r{SubSysID, std::wstring(view(FuncID)), Year, Period, !orvi::com::isMissing(RowID), {}};
        if (r.hasRow) r.row = orvi::com::toString(RowID);
        Variant answer;
        TableLock lock;
        SharedTable& table = lock.table();
        switch (Mode) {
        case 1: answer = Variant::boolean(heldElsewhere(table, session_, r, true) ? VARIANT_TRUE : VARIANT_FALSE); break;
        case 2: answer = Variant::boolean(heldElsewhere(table, session_, r, false) ? VARIANT_TRUE : VARIANT_FALSE); break;
        case 3: {
            long granted = 0;
            if (!heldElsewhere(table, session_, r, false)) {
                for (SharedTask& t : table.tasks) {
                    if (t.id) continue;
                    SharedTask task = {};
                    task.process = GetCurrentProcessId();
                    task.session = session_;
                    task.subSys = SubSysID;
                    task.year = Year;
                    task.period = Period;
                    task.hasRow = r.hasRow;
                    store(task.func, r.func);
                    store(task.row, r.row);
                    store(task.machine, std::wstring(view(Machine)));
                    task.id = ++table.lastTask;
                    t = task;
                    granted = task.id;
                    break;
                }
            }
            // A full table refuses as a conflict does.
            answer = Variant(granted);
            break;
        }
        default: raise(RuntimeError::InvalidProcedureCall);
        }
        answer.detach(ret);
    });
}

STDMETHODIMP LoginObject::CommitTask(long TaskID, VARIANT_BOOL* ret) {
    return guard([&] {
        initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
        if (TaskID < 1) return;
        TableLock lock;
        for (SharedTask& t : lock.table().tasks)
            if (t.id == TaskID && t.session == session_) {
                t.id = 0;
                *ret = VARIANT_TRUE;
            }
    });
}

STDMETHODIMP LoginObject::get_SessionTasks(long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        TableLock lock;
        for (const SharedTask& t : lock.table().tasks)
            if (t.id && t.session == session_) ++*ret;
    });
}

STDMETHODIMP LoginObject::get_ActiveTasks(long* ret) {
    return guard([&] {
        initOut(ret, 0L);
        TableLock lock;
        for (const SharedTask& t : lock.table().tasks)
            if (t.id) ++*ret;
    });
}

STDMETHODIMP LoginObject::TaskMachine(long TaskID, BSTR* ret) {
    return guard([&] {
        initOut(ret);
        TableLock lock;
        for (const SharedTask& t : lock.table().tasks)
            if (t.id && t.id == TaskID) *ret = Bstr(t.machine).release();
    });
}

}  // namespace hostkit
