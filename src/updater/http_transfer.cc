#include "updater/http_transfer.h"

#include <curl/curl.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <mutex>

namespace veltra::updater {

namespace {

void initializeCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

URLError toURLError(CURLcode code, const char* detail) {
  using C = URLError::Code;
  C mapped = C::unknown;
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      mapped = C::cannotFindHost;
      break;
    case CURLE_COULDNT_CONNECT:
      mapped = C::cannotConnectToHost;
      break;
    case CURLE_OPERATION_TIMEDOUT:
      mapped = C::timedOut;
      break;
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
      mapped = C::networkConnectionLost;
      break;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      mapped = C::unsupportedURL;
      break;
    case CURLE_TOO_MANY_REDIRECTS:
      mapped = C::httpTooManyRedirects;
      break;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
      mapped = C::secureConnectionFailed;
      break;
    case CURLE_FILE_COULDNT_READ_FILE:
      mapped = C::fileDoesNotExist;
      break;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
      mapped = C::badServerResponse;
      break;
    case CURLE_ABORTED_BY_CALLBACK:
    case CURLE_WRITE_ERROR:
      mapped = C::cancelled;
      break;
    default:
      break;
  }
  return URLError(mapped, detail != nullptr && *detail != '\0' ? detail : curl_easy_strerror(code));
}

// Follows one transfer's header lines to find the head of the final response.
struct TransferState {
  CURL* handle = nullptr;
  TransferDelegate* delegate = nullptr;
  bool inHttpHead = false;
  bool headHasLocation = false;
  bool responseDelivered = false;
  bool cancelled = false;
  // The minimum-rate rule: the current window's start and the body bytes received before it.
  double minimumBytesPerSecond = 0;
  double rateWindowSeconds = 0;
  std::chrono::steady_clock::time_point windowStart = std::chrono::steady_clock::now();
  curl_off_t bytesBeforeWindow = 0;
  std::string tooSlow;

  bool deliverResponse(std::optional<std::int64_t> status) {
    responseDelivered = true;
    TransferResponse response;
    response.httpStatus = status;
    curl_off_t length = -1;
    if (curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK) {
      response.announcedLength = length;
    }
    char* url = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &url) == CURLE_OK && url != nullptr)
      response.url = url;
    if (!delegate->didReceiveResponse(response)) cancelled = true;
    return !cancelled;
  }
};

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

std::size_t onHeader(char* buffer, std::size_t size, std::size_t count, void* context) {
  auto* state = static_cast<TransferState*>(context);
  std::string_view line(buffer, size * count);
  if (startsWithNoCase(line, "HTTP/")) {
    state->inHttpHead = true;
    state->headHasLocation = false;
    return line.size();
  }
  if (!state->inHttpHead) return line.size();
  if (startsWithNoCase(line, "location:")) state->headHasLocation = true;
  if (line != "\r\n" && line != "\n") return line.size();
  // End of one response head.
  state->inHttpHead = false;
  long status = 0;
  curl_easy_getinfo(state->handle, CURLINFO_RESPONSE_CODE, &status);
  if (status >= 100 && status < 200) return line.size();
  if (status >= 300 && status < 400 && state->headHasLocation)
    return line.size();  // curl follows it
  return state->deliverResponse(status) ? line.size() : 0;
}

std::size_t onBody(char* buffer, std::size_t size, std::size_t count, void* context) {
  auto* state = static_cast<TransferState*>(context);
  std::size_t length = size * count;
  if (!state->responseDelivered && !state->deliverResponse(std::nullopt)) return 0;
  if (!state->delegate->didReceiveData(
          ByteView(reinterpret_cast<const std::uint8_t*>(buffer), length))) {
    state->cancelled = true;
    return 0;
  }
  return length;
}

// Ends the transfer when a whole rate window passed with fewer body bytes than the rule asks.
int onTransferInfo(void* context, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
  auto* state = static_cast<TransferState*>(context);
  if (state->minimumBytesPerSecond <= 0 || state->rateWindowSeconds <= 0) return 0;
  auto now = std::chrono::steady_clock::now();
  double elapsed = std::chrono::duration<double>(now - state->windowStart).count();
  if (elapsed < state->rateWindowSeconds) return 0;
  double needed = state->minimumBytesPerSecond * state->rateWindowSeconds;
  curl_off_t inWindow = received - state->bytesBeforeWindow;
  if (static_cast<double>(inWindow) < needed) {
    state->tooSlow =
        "received " + std::to_string(inWindow) + " bytes in " +
        std::to_string(static_cast<long long>(elapsed)) + " s, slower than the minimum of " +
        std::to_string(static_cast<long long>(state->minimumBytesPerSecond)) + " bytes/s";
    return 1;
  }
  state->windowStart = now;
  state->bytesBeforeWindow = received;
  return 0;
}

}  // namespace

std::optional<URLError> performTransfer(const TransferRequest& request,
                                        TransferDelegate& delegate) {
  initializeCurlOnce();
  CURL* handle = curl_easy_init();
  if (handle == nullptr) return URLError(URLError::Code::unknown, "curl_easy_init failed");
  TransferState state;
  state.handle = handle;
  state.delegate = &delegate;
  state.minimumBytesPerSecond = request.minimumBytesPerSecond;
  state.rateWindowSeconds = request.rateWindowSeconds;
  char errorBuffer[CURL_ERROR_SIZE] = {0};
  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, (std::string("Cache-Control: ") + kCacheControl).c_str());
  headers = curl_slist_append(headers, (std::string("Pragma: ") + kPragma).c_str());
  long timeout = static_cast<long>(std::ceil(std::max(request.inactivityTimeoutSeconds, 1.0)));

  curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(handle, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https,file");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, timeout);
  // An inactivity limit, not a limit on the whole transfer: fail after `timeout` seconds
  // during which less than one byte per second arrived.
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, timeout);
  if (request.totalTimeoutSeconds > 0) {
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS,
                     static_cast<long>(std::ceil(request.totalTimeoutSeconds * 1000)));
  }
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, onTransferInfo);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &state);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  // The body is taken as sent: a Content-Encoding the server adds unasked is not expanded here
  // (the size limit applies to the bytes that cross the network, and nothing inflates in memory).
  curl_easy_setopt(handle, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &state);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &state);

  CURLcode code = curl_easy_perform(handle);
  std::optional<URLError> failure;
  if (code == CURLE_OK) {
    if (!state.responseDelivered) {
      long status = 0;
      curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
      state.deliverResponse(status > 0 ? std::optional<std::int64_t>(status) : std::nullopt);
    }
  } else if (!state.tooSlow.empty()) {
    failure = URLError(URLError::Code::timedOut, state.tooSlow);
  } else if (!state.cancelled) {
    failure = toURLError(code, errorBuffer);
  }
  curl_slist_free_all(headers);
  curl_easy_cleanup(handle);
  return failure;
}

std::optional<std::string> cacheBustedURL(const std::string& url, std::int64_t seconds) {
  initializeCurlOnce();
  CURLU* parts = curl_url();
  if (parts == nullptr) return std::nullopt;
  std::optional<std::string> result;
  std::string query = "t=" + std::to_string(seconds);
  char* rebuilt = nullptr;
  if (curl_url_set(parts, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK &&
      curl_url_set(parts, CURLUPART_QUERY, query.c_str(), 0) == CURLUE_OK &&
      curl_url_get(parts, CURLUPART_URL, &rebuilt, 0) == CURLUE_OK) {
    result = rebuilt;
  }
  curl_free(rebuilt);
  curl_url_cleanup(parts);
  return result;
}

std::optional<std::string> urlScheme(const std::string& url) {
  initializeCurlOnce();
  CURLU* parts = curl_url();
  if (parts == nullptr) return std::nullopt;
  std::optional<std::string> result;
  char* scheme = nullptr;
  if (curl_url_set(parts, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK &&
      curl_url_get(parts, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK && scheme != nullptr) {
    std::string text = scheme;
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    result = text;
  }
  curl_free(scheme);
  curl_url_cleanup(parts);
  return result;
}

}  // namespace veltra::updater
