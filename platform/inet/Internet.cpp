#include "platform/inet/Internet.h"

#include "platform/errors/LastError.h"
#include "platform/inet/ContentDecoder.h"
#include "platform/inet/UrlEscape.h"

#include <curl/curl.h>

#include <cctype>
#include <chrono>
#include <dlfcn.h>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

namespace {

std::atomic<int> connectTimeoutMs{15000};
std::atomic<int> stallTimeoutMs{30000};
std::atomic<int> totalTimeoutMs{120000};
std::atomic<int> lowSpeedBytes{64};
std::atomic<int> lowSpeedMs{30000};

// Bytes buffered ahead of the reader before the transfer pauses: memory
// stays flat however large the page is.
constexpr size_t kBufferLimit = 64 * 1024;
// How often a wait looks at the abort flag.
constexpr int kPollMs = 50;

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// An aborted transfer leaves a name lookup still under way to libcurl's
// resolver thread instead of waiting for it; that thread may outlive the
// engine, so libcurl stays loaded when the engine is unloaded.
void keepCurlLoaded() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&curl_easy_init), &info) || !info.dli_fname) return;
    if (void* library = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE))
        dlclose(library);
}

void initCurl() {
    static std::once_flag once;
    std::call_once(once, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        keepCurlLoaded();
    });
}

uint32_t errorOf(CURLcode code, long status) {
    switch (code) {
    case CURLE_OK:
        return ErrorSuccess;
    case CURLE_UNSUPPORTED_PROTOCOL:
        // Without a status the server answered in HTTP/0.9 (no status line
        // at all); with one, a redirect named a scheme we do not follow.
        return status == 0 ? ErrorHttpInvalidServerResponse : ErrorInternetUnrecognizedScheme;
    case CURLE_URL_MALFORMAT:
        return ErrorInternetInvalidUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return ErrorInternetNameNotResolved;
    case CURLE_COULDNT_CONNECT:
        return ErrorInternetCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return ErrorInternetTimeout;
    case CURLE_TOO_MANY_REDIRECTS:
        return ErrorHttpRedirectFailed;
    case CURLE_ABORTED_BY_CALLBACK:
        return ErrorInternetOperationCancelled;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
        return ErrorHttpInvalidServerResponse;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return ErrorInternetSecureFailure;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        return ErrorInternetConnectionReset;
    case CURLE_OUT_OF_MEMORY:
        // What libcurl reports for headers that outgrow its buffers.
        return ErrorHttpHeaderSizeOverflow;
    default:
        return ErrorInternetConnectionAborted;
    }
}

} // namespace

void SetInternetTimeouts(InternetTimeouts timeouts) {
    connectTimeoutMs = timeouts.connectMs;
    stallTimeoutMs = timeouts.stallMs;
    totalTimeoutMs = timeouts.totalMs;
    lowSpeedBytes = timeouts.lowSpeedBytes;
    lowSpeedMs = timeouts.lowSpeedMs;
}

bool InternetAttemptConnect() {
    return true;
}

struct InternetRequest::Handles {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    ~Handles() {
        if (multi && easy) curl_multi_remove_handle(multi, easy);
        if (easy) curl_easy_cleanup(easy);
        if (multi) curl_multi_cleanup(multi);
        curl_slist_free_all(headers);
    }
};

InternetRequest::InternetRequest(const RequestOptions& options)
    : handles_(std::make_unique<Handles>()), abort_(options.abort), deadline_(options.deadline),
      maxWireBytes_(options.maxWireBytes) {}

InternetRequest::~InternetRequest() = default;

size_t InternetRequest::onBody(char* data, size_t size, size_t count, void* self) {
    auto* request = static_cast<InternetRequest*>(self);
    size_t bytes = size * count;
    if (request->buffer_.size() - request->head_ >= kBufferLimit) {
        request->paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    // Counted as sent: a stream of empty compressed blocks decodes to
    // nothing, yet must not run on for ever.
    request->wireBytes_ += static_cast<int64_t>(bytes);
    if (request->maxWireBytes_ > 0 && request->wireBytes_ > request->maxWireBytes_) {
        request->tooLarge_ = true;
        return 0;
    }
    request->buffer_.append(data, bytes);
    request->lastActivity_ = nowMs();
    return bytes;
}

std::unique_ptr<InternetRequest> InternetRequest::Open(const InternetSession& session,
                                                       std::string_view url,
                                                       const RequestOptions& options) {
    if (session.Offline()) {
        SetLastError(ErrorInternetDisconnected);
        return nullptr;
    }
    // Only the two schemes a news page comes by; curl would guess one.
    auto hasScheme = [&](std::string_view scheme) {
        if (url.size() < scheme.size()) return false;
        for (size_t i = 0; i < scheme.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(url[i])) != scheme[i]) return false;
        return true;
    };
    if (!hasScheme("http://") && !hasScheme("https://")) {
        SetLastError(ErrorInternetUnrecognizedScheme);
        return nullptr;
    }
    initCurl();
    std::optional<std::string> target = EscapeUrl(url);
    if (!target) {
        SetLastError(ErrorInternetInvalidUrl);
        return nullptr;
    }
    long totalMs = totalTimeoutMs.load();
    if (options.deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        *options.deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            SetLastError(ErrorInternetTimeout);
            return nullptr;
        }
        totalMs = std::min<long>(totalMs, static_cast<long>(left));
    }
    std::unique_ptr<InternetRequest> request(new InternetRequest(options));
    Handles& h = *request->handles_;
    h.easy = curl_easy_init();
    h.multi = curl_multi_init();
    if (!h.easy || !h.multi) {
        SetLastError(ErrorNotEnoughMemory);
        return nullptr;
    }
    curl_easy_setopt(h.easy, CURLOPT_URL, target->c_str());
    curl_easy_setopt(h.easy, CURLOPT_USERAGENT, session.Agent().c_str());
    curl_easy_setopt(h.easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h.easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h.easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h.easy, CURLOPT_MAXREDIRS, 10L);
    // Decoded here as the reader asks, not by libcurl: a transfer paused with
    // a highly compressed block in hand would inflate all of it into memory.
    curl_easy_setopt(h.easy, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(h.easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl_easy_setopt(h.easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeoutMs.load()));
    curl_easy_setopt(h.easy, CURLOPT_TIMEOUT_MS, totalMs);
    curl_easy_setopt(h.easy, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(lowSpeedBytes.load()));
    curl_easy_setopt(h.easy, CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>(std::max(1, (lowSpeedMs.load() + 999) / 1000)));
    curl_easy_setopt(h.easy, CURLOPT_NOSIGNAL, 1L);
#if LIBCURL_VERSION_NUM >= 0x075700
    // An abort or a timeout does not wait for a slow name server.
    curl_easy_setopt(h.easy, CURLOPT_QUICK_EXIT, 1L);
#endif
    curl_easy_setopt(h.easy, CURLOPT_WRITEFUNCTION, &InternetRequest::onBody);
    curl_easy_setopt(h.easy, CURLOPT_WRITEDATA, request.get());
    curl_slist* validators = nullptr;
    // Line breaks would add headers of the server's choosing.
    auto clean = [](const std::string& value) {
        return value.find_first_of("\r\n") == std::string::npos;
    };
    if (!options.etag.empty() && clean(options.etag))
        validators = curl_slist_append(validators, ("If-None-Match: " + options.etag).c_str());
    if (!options.lastModified.empty() && clean(options.lastModified))
        validators =
            curl_slist_append(validators, ("If-Modified-Since: " + options.lastModified).c_str());
    h.headers = validators;
    if (validators) curl_easy_setopt(h.easy, CURLOPT_HTTPHEADER, validators);
    if (curl_multi_add_handle(h.multi, h.easy) != CURLM_OK) {
        SetLastError(ErrorNotEnoughMemory);
        return nullptr;
    }
    request->lastActivity_ = nowMs();
    // The status is known once the first body bytes arrive or the transfer
    // has ended (an empty body).
    if (!request->fill()) return nullptr;
    curl_easy_getinfo(h.easy, CURLINFO_RESPONSE_CODE, &request->status_);
    long redirects = 0;
    char* effective = nullptr;
    curl_easy_getinfo(h.easy, CURLINFO_REDIRECT_COUNT, &redirects);
    curl_easy_getinfo(h.easy, CURLINFO_EFFECTIVE_URL, &effective);
    request->effectiveUrl_ = redirects > 0 && effective ? std::string(effective) : std::string(url);
    if (request->status_ >= 400) {
        SetLastError(HttpStatusError(request->status_));
        return nullptr;
    }
    request->etag_ = request->header("ETag");
    request->lastModified_ = request->header("Last-Modified");
    if (request->status_ == 304) {
        // Nothing follows a 304 but what a broken server adds.
        request->buffer_.clear();
        request->head_ = 0;
        request->done_ = true;
        SetLastError(ErrorSuccess);
        return request;
    }
    request->windowStart_ = nowMs();
    if (!request->startDecoding()) return nullptr;
    SetLastError(ErrorSuccess);
    return request;
}

std::string InternetRequest::header(const char* name) const {
    curl_header* found = nullptr;
    if (curl_easy_header(handles_->easy, name, 0, CURLH_HEADER, -1, &found) != CURLHE_OK) return {};
    return found->value;
}

bool InternetRequest::inTime() {
    int64_t now = nowMs();
    if (deadline_ && std::chrono::steady_clock::now() >= *deadline_) {
        SetLastError(ErrorInternetTimeout);
        return false;
    }
    // libcurl's low-speed limit counts the bytes on the wire; this one the
    // bytes they decode to.
    if (decoder_ && now - windowStart_ >= lowSpeedMs.load()) {
        if (windowBytes_ * 1000 < int64_t{lowSpeedBytes.load()} * lowSpeedMs.load()) {
            SetLastError(ErrorInternetTimeout);
            return false;
        }
        windowStart_ = now;
        windowBytes_ = 0;
    }
    return true;
}

bool InternetRequest::startDecoding() {
    std::vector<std::string> values;
    curl_header* header = nullptr;
    for (size_t i = 0; curl_easy_header(handles_->easy, "Content-Encoding", i, CURLH_HEADER, -1,
                                        &header) == CURLHE_OK;
         ++i) {
        values.emplace_back(header->value);
        if (i + 1 >= header->amount) break;
    }
    ContentDecoder::Coding coding = ContentDecoder::CodingOf(values);
    if (coding == ContentDecoder::Coding::Identity) return true;
    if (coding == ContentDecoder::Coding::Unsupported) {
        SetLastError(ErrorHttpInvalidServerResponse);
        return false;
    }
    decoder_ = std::make_unique<ContentDecoder>(coding);
    if (decoder_->Started() == ContentDecoder::Status::OutOfMemory) {
        SetLastError(ErrorNotEnoughMemory);
        return false;
    }
    return true;
}

bool InternetRequest::fill() {
    Handles& h = *handles_;
    while (buffer_.size() == head_ && !done_) {
        if (abort_ && abort_->load()) {
            SetLastError(ErrorInternetOperationCancelled);
            return false;
        }
        if (!inTime()) return false;
        if (tooLarge_) break;
        if (paused_) {
            paused_ = false;
            lastActivity_ = nowMs(); // the wait was ours, not the server's
            curl_easy_pause(h.easy, CURLPAUSE_CONT);
        }
        int running = 0;
        if (curl_multi_perform(h.multi, &running) != CURLM_OK) {
            SetLastError(ErrorInternetConnectionAborted);
            return false;
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(h.multi, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                done_ = true;
                result_ = message->data.result;
            }
        }
        if (buffer_.size() > head_ || done_) break;
        if (nowMs() - lastActivity_ > stallTimeoutMs.load()) {
            SetLastError(ErrorInternetTimeout);
            return false;
        }
        curl_multi_poll(h.multi, nullptr, 0, kPollMs, nullptr);
    }
    // Also when the bytes over the limit came as the transfer resumed: the
    // pause call's own failure is easy to miss.
    if (tooLarge_ && buffer_.size() == head_) {
        SetLastError(ErrorFileTooLarge);
        return false;
    }
    if (buffer_.size() == head_ && done_ && result_ != CURLE_OK) {
        long status = 0;
        curl_easy_getinfo(h.easy, CURLINFO_RESPONSE_CODE, &status);
        SetLastError(tooLarge_ ? ErrorFileTooLarge
                               : errorOf(static_cast<CURLcode>(result_), status));
        return false;
    }
    return true;
}

bool InternetRequest::Read(char* buffer, size_t size, size_t& read) {
    read = 0;
    if (decoder_) return decode(buffer, size, read);
    if (!fill()) return false;
    size_t available = buffer_.size() - head_;
    read = std::min(size, available);
    buffer_.copy(buffer, read, head_);
    head_ += read;
    dropRead();
    SetLastError(ErrorSuccess);
    return true;
}

void InternetRequest::dropRead() {
    // Once it is most of the buffer.
    if (head_ > kBufferLimit / 2 && head_ * 2 > buffer_.size()) {
        buffer_.erase(0, head_);
        head_ = 0;
    }
}

bool InternetRequest::decode(char* buffer, size_t size, size_t& read) {
    while (read == 0 && size > 0) {
        ContentDecoder::Step step =
            decoder_->Decode(std::string_view(buffer_).substr(head_), buffer, size);
        head_ += step.consumed;
        dropRead();
        if (step.status == ContentDecoder::Status::Invalid ||
            step.status == ContentDecoder::Status::OutOfMemory) {
            SetLastError(step.status == ContentDecoder::Status::OutOfMemory
                             ? ErrorNotEnoughMemory
                             : ErrorHttpInvalidServerResponse);
            return false;
        }
        read = step.produced;
        windowBytes_ += static_cast<int64_t>(read);
        if (step.status == ContentDecoder::Status::End) break;
        if (read == 0 && !inTime()) return false;
        if (read > 0 || step.consumed > 0) continue;
        // The decoder holds nothing back: it waits for more of the body.
        if (!fill()) return false;
        // A body cut short ends where it ends, as libcurl's decoding did.
        if (head_ == buffer_.size()) break;
    }
    SetLastError(ErrorSuccess);
    return true;
}

} // namespace platform
