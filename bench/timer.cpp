// The bench's stopwatch, run inside Wine so that no sample carries the cost of starting a Linux
// tool or of asking the X display. Times come from QueryPerformanceCounter.
//
//   timer.exe window ROUNDS "COMMAND LINE" ["COMMAND LINE"...]
//       Starts each command line in turn and waits until a top-level window of the started
//       process's first thread is visible (the window's style says so: ShowWindow has run),
//       then ends the process, waits for it to be gone and lets the machine settle (Wine's
//       server, its desktop process and the X server finish tearing the window down) before the
//       next start: no start pays for the end of the one before. One unmeasured start of each
//       first; then ROUNDS rounds, each starting with the next program in turn so that no
//       program always follows the same one. Prints "sample INDEX SECONDS" per start (INDEX
//       counts the command lines from 0).
//   timer.exe run "COMMAND LINE"
//       Starts the command line in a job and waits until every process in that job has ended,
//       also the ones it started without waiting for them (at most five minutes). Prints
//       "seconds SECONDS exit CODE".
//   timer.exe idle
//       Waits for an hour: while it runs, Wine's own background processes stay up, so that no
//       measured run pays for starting them again.
//
// Exit code 2 when a program could not be started or showed no window within a minute.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// After a window's process has ended, the time its teardown may still take elsewhere.
constexpr DWORD kSettleMs = 200;

double now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Search {
    bool found;
};

BOOL CALLBACK visibleOf(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    if (IsWindowVisible(hwnd)) {
        s->found = true;
        return FALSE;
    }
    return TRUE;
}

bool start(const std::wstring& commandLine, DWORD flags, PROCESS_INFORMATION& pi) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si,
                       &pi))
        return true;
    std::fprintf(stderr, "cannot start %ls (error %lu)\n", commandLine.c_str(), GetLastError());
    return false;
}

// Seconds from the start of the command line to a visible top-level window of its process;
// negative when it could not be started or showed none in a minute. The window is looked for
// among its first thread's only: asking for every window of the desktop each millisecond would
// load Wine's server, which the measured program shares, more than the program itself does.
double untilVisible(const std::wstring& commandLine) {
    PROCESS_INFORMATION pi{};
    const double t0 = now();
    if (!start(commandLine, 0, pi)) return -1;
    Search s{false};
    double t1 = t0;
    while (!s.found) {
        EnumThreadWindows(pi.dwThreadId, visibleOf, reinterpret_cast<LPARAM>(&s));
        t1 = now();
        if (s.found || t1 - t0 > 60) break;
        if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;  // ended without one
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    Sleep(kSettleMs);
    if (!s.found) std::fprintf(stderr, "no visible window from %ls\n", commandLine.c_str());
    return s.found ? t1 - t0 : -1;
}

int windowMode(int rounds, const std::vector<std::wstring>& programs) {
    const int n = static_cast<int>(programs.size());
    for (const auto& p : programs)
        if (untilVisible(p) < 0) return 2;
    for (int r = 0; r < rounds; ++r)
        for (int k = 0; k < n; ++k) {
            const int i = (r + k) % n;
            const double t = untilVisible(programs[i]);
            if (t < 0) return 2;
            std::printf("sample %d %.4f\n", i, t);
            std::fflush(stdout);
        }
    return 0;
}

int runMode(const std::wstring& commandLine) {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    HANDLE port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT link{job, port};
    if (!job || !port ||
        !SetInformationJobObject(job, JobObjectAssociateCompletionPortInformation, &link,
                                 sizeof(link))) {
        std::fprintf(stderr, "no job object (error %lu)\n", GetLastError());
        return 2;
    }
    PROCESS_INFORMATION pi{};
    const double t0 = now();
    if (!start(commandLine, CREATE_SUSPENDED, pi)) return 2;
    if (!AssignProcessToJobObject(job, pi.hProcess)) {
        std::fprintf(stderr, "cannot put the process in the job (error %lu)\n", GetLastError());
        TerminateProcess(pi.hProcess, 2);
        return 2;
    }
    ResumeThread(pi.hThread);
    // Every process started from inside the job belongs to it; the port says when the last
    // one has ended.
    DWORD message = 0;
    ULONG_PTR key = 0;
    LPOVERLAPPED detail = nullptr;
    bool empty = false;
    while (!empty && GetQueuedCompletionStatus(port, &message, &key, &detail, 300000))
        empty = message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO;
    const double t1 = now();
    if (!empty) {
        // A run that waits for an answer nobody gives (a message box) must not hold the bench.
        std::fprintf(stderr, "the job did not end within five minutes; still running:");
        struct {
            JOBOBJECT_BASIC_PROCESS_ID_LIST list;
            ULONG_PTR more[63];
        } ids{};
        ids.list.NumberOfAssignedProcesses = 64;
        if (QueryInformationJobObject(job, JobObjectBasicProcessIdList, &ids, sizeof(ids), nullptr))
            for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList; ++i) {
                wchar_t name[MAX_PATH] = L"?";
                DWORD size = MAX_PATH;
                const DWORD pid = static_cast<DWORD>(ids.list.ProcessIdList[i]);
                if (HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
                    QueryFullProcessImageNameW(p, 0, name, &size);
                    CloseHandle(p);
                }
                std::fprintf(stderr, " %ls", name);
            }
        std::fprintf(stderr, "\n");
        TerminateJobObject(job, 2);
        return 2;
    }
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("seconds %.4f exit %lu\n", t1 - t0, code);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"window" && argc > 3) {
        std::vector<std::wstring> programs(argv + 3, argv + argc);
        return windowMode(_wtoi(argv[2]), programs);
    }
    if (mode == L"run" && argc == 3) return runMode(argv[2]);
    if (mode == L"idle") {
        Sleep(3600 * 1000);
        return 0;
    }
    std::fprintf(stderr, "usage: timer window ROUNDS COMMAND... | timer run COMMAND | timer idle\n");
    return 2;
}
