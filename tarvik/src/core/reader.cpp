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
    if (count > 0) R.WindowEnd = SetFilePtr(file, 0, 1);
    return count;
}

void InitReadF(int file) {
    const long size = SetFilePtr(file, 0, 2);
    R.FileSize = size > 0 ? size : 0;
    SetFilePtr(file, 0, 0);
    R.WindowEnd = 0;
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
    const long at = SetFilePtr(file, static_cast<long>(R.BufPos + delta - R.BufLen), 1);
    if (at >= 0) R.WindowEnd = at;
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
    // The offset of the next byte: the window ends at WindowEnd. In text mode
    // a folded CR LF makes the window's bytes fewer than the file's, so the
    // share may run a little ahead; it is held within 0..100 and, as a
    // look-ahead stepped back over must not move the bar backwards, never
    // falls below the value already shown.
    const long long consumed = R.WindowEnd - (R.BufLen - R.BufPos);
    int value = R.FileSize > 0 ? static_cast<int>(std::clamp(100 * consumed / R.FileSize, 0LL, 100LL)) : 0;
    value = std::max(value, R.LastProgress);
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
