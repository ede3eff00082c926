#include "platform/errors/LastError.h"

namespace platform {

namespace {
thread_local uint32_t lastError = 0;
} // namespace

uint32_t GetLastError() {
    return lastError;
}
void SetLastError(uint32_t code) {
    lastError = code;
}

std::string DescribeError(uint32_t code) {
    if ((code & 0xF0000000) == kHttpStatusErrorBase)
        return "HTTP status " + std::to_string(code & 0x0FFFFFFF);
    switch (code) {
    case ErrorSuccess:
        return "no error";
    case ErrorFileNotFound:
        return "file not found";
    case ErrorPathNotFound:
        return "path not found";
    case ErrorAccessDenied:
        return "access denied";
    case ErrorNotEnoughMemory:
        return "out of memory";
    case ErrorNoMoreFiles:
        return "empty page";
    case ErrorWriteFault:
        return "cannot write the file";
    case ErrorDiskFull:
        return "disk full";
    case ErrorFileTooLarge:
        return "page too large";
    case ErrorTooManyNames:
        return "no free agent name";
    case ErrorFilenameExcedRange:
        return "file name too long";
    case ErrorInternetTimeout:
        return "timed out";
    case ErrorInternetInvalidUrl:
        return "invalid URL";
    case ErrorInternetUnrecognizedScheme:
        return "unsupported URL scheme";
    case ErrorInternetNameNotResolved:
        return "host not found";
    case ErrorInternetOperationCancelled:
        return "aborted";
    case ErrorInternetCannotConnect:
        return "connection refused";
    case ErrorInternetConnectionAborted:
        return "connection aborted";
    case ErrorInternetConnectionReset:
        return "connection reset";
    case ErrorInternetSecureFailure:
        return "secure connection failed";
    case ErrorHttpInvalidServerResponse:
        return "invalid server response";
    case ErrorHttpRedirectFailed:
        return "too many redirects";
    case ErrorInternetDisconnected:
        return "offline";
    case ErrorHttpHeaderSizeOverflow:
        return "server response too large";
    default:
        return "error " + std::to_string(code);
    }
}

} // namespace platform
