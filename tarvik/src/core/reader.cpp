// Net-list input reader: window loading, line and block reads, step back, progress.
#include "reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "shell.h"
#include "uirt.h"

namespace tarvik {

ReaderState R;

int LoadWindow(int file, int s) {
    if (R.StopRequested) return 0;
    errno = 0;
    const int count = CVI_ReadFile(file, R.FileBuf + s, kWindowSize - s);
    if (count < 0) {
        if (!R.ReadFailed) R.ReadErrno = errno;
        R.ReadFailed = true;
        return 0;
    }
    return count;
}

void InitReadF(int file) {
    SetFilePtr(file, 0, 0);
    R.LastProgress = -1;
    R.BufPos = 0;
    R.BufLen = LoadWindow(file, 0);
    R.FileBuf[R.BufLen] = 0;
}

// Same bytes as repeated ReadF1 calls, copied a window stretch at a time.
long long ReadFstr(int file, ByteBuf& str) {
    long long stored = 0;
    for (;;) {
        if (R.BufPos == R.BufLen) {
            R.BufPos = 0;
            R.BufLen = LoadWindow(file, 0);
            if (R.BufLen == 0) return stored;
        }
        const char* from = R.FileBuf + R.BufPos;
        const std::size_t avail = static_cast<std::size_t>(R.BufLen - R.BufPos);
        const void* lf = std::memchr(from, '\n', avail);
        const std::size_t take = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - from) + 1 : avail;
        str.reserve(static_cast<std::size_t>(stored) + take + 1);
        std::memcpy(str.p + stored, from, take);
        stored += static_cast<long long>(take);
        R.BufPos += static_cast<int>(take);
        if (lf) return stored;
    }
}

int ReadF(int file, char* dst, int len) {
    if (R.BufLen - R.BufPos < len) {
        const int t = R.BufLen - R.BufPos;
        std::memmove(R.FileBuf, R.FileBuf + R.BufPos, static_cast<std::size_t>(t));
        R.BufLen = t + LoadWindow(file, t);
        R.BufPos = 0;
    }
    const int m = std::min(len, R.BufLen - R.BufPos);
    std::memcpy(dst, R.FileBuf + R.BufPos, static_cast<std::size_t>(m));
    R.BufPos += m;
    R.FileBuf[R.BufLen] = 0;
    return m;
}

void MoveFptr(int file, int delta) {
    if (R.BufPos + delta >= 0) {
        R.BufPos += delta;
        return;
    }
    SetFilePtr(file, static_cast<long>(R.BufPos + delta - R.BufLen), 1);
    R.BufPos = 0;
    R.BufLen = 0;
    R.FileBuf[0] = 0;
}

// Ends the data at the read position: the decoder meets the end of the file.
static void CutWindow() {
    R.BufLen = R.BufPos;
    R.FileBuf[R.BufLen] = 0;
}

void Progress() {
    if (R.StopRequested) {
        CutWindow();
        return;
    }
    // 100 * BufPos / BufLen truncated: the integer quotient is the same as
    // the truncated floating-point one (no quotient of these sizes comes
    // within rounding distance of an integer without being one).
    const int value = R.BufLen > 0 ? static_cast<int>(100u * static_cast<unsigned>(R.BufPos) / static_cast<unsigned>(R.BufLen)) : 0;
    // Setting the value it already holds changes nothing; skip the call then.
    if (value != R.LastProgress) {
        R.LastProgress = value;
        SetCtrlVal(R.ProgressPanel, kProgressValue, value);
        if (R.OnProgress) R.OnProgress(value);
    }
    ProcessSystemEvents();
    if (R.StopRequested) CutWindow();
}

}  // namespace tarvik
