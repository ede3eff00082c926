#pragma once

// The thread's last error code, as the Windows functions leave it
// (GetLastError/SetLastError), and the codes this system meets.

#include <cstdint>
#include <string>

namespace platform {

uint32_t GetLastError();
void SetLastError(uint32_t code);

enum : uint32_t {
    ErrorSuccess = 0,
    ErrorFileNotFound = 2,
    ErrorPathNotFound = 3,
    ErrorAccessDenied = 5,
    ErrorNotEnoughMemory = 8,
    ErrorWriteFault = 29,
    ErrorNoMoreFiles = 18,
    ErrorDiskFull = 112,
    ErrorAlreadyExists = 183,
    ErrorFileTooLarge = 223,
    ErrorTooManyNames = 68,
    ErrorFilenameExcedRange = 206,

    // The Internet functions' codes.
    ErrorInternetTimeout = 12002,
    ErrorInternetInvalidUrl = 12005,
    ErrorInternetUnrecognizedScheme = 12006,
    ErrorInternetNameNotResolved = 12007,
    ErrorInternetOperationCancelled = 12017,
    ErrorInternetIncorrectHandleState = 12019,
    ErrorInternetCannotConnect = 12029,
    ErrorInternetConnectionAborted = 12030,
    ErrorInternetConnectionReset = 12031,
    ErrorInternetSecureFailure = 12175,
    ErrorHttpInvalidServerResponse = 12152,
    ErrorHttpRedirectFailed = 12156,
    ErrorInternetDisconnected = 12163,
    // The HTTP functions' code for a reply whose headers are too large.
    ErrorHttpHeaderSizeOverflow = 12183,
};

// An HTTP status of 400 or more, as an application-defined code (bit 29 is
// the customer bit of Windows error codes).
constexpr uint32_t kHttpStatusErrorBase = 0x20000000;
constexpr uint32_t HttpStatusError(long status) {
    return kHttpStatusErrorBase | static_cast<uint32_t>(status);
}

// A short English description, for messages on the terminal.
std::string DescribeError(uint32_t code);

} // namespace platform
