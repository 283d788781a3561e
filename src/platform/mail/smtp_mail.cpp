#include "platform/mail/smtp_mail.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

namespace fw::mail {

namespace {

struct EasyDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using List = std::unique_ptr<curl_slist, ListDeleter>;

void append(List& list, const std::string& item) {
  curl_slist* grown = curl_slist_append(list.get(), item.c_str());
  if (grown != nullptr) {
    (void)list.release();
    list.reset(grown);
  }
}

std::string trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool hasLineBreak(const std::string& s) {
  return s.find_first_of("\r\n") != std::string::npos;
}

// A host name, an IPv4 address or an IPv6 address; nothing that could change the URL's meaning.
bool validHost(const std::string& host) {
  if (host.empty() || host.size() > 253) return false;
  const bool v6 = host.find(':') != std::string::npos;
  for (char c : host) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '.' || c == '-' || (v6 && c == ':') || (!v6 && c == '_')) continue;
    return false;
  }
  return true;
}

// The address inside "Name <address>", else the text itself.
std::string envelopeAddress(const std::string& text) {
  const auto open = text.find('<');
  const auto close = text.rfind('>');
  if (open != std::string::npos && close != std::string::npos && close > open)
    return "<" + text.substr(open + 1, close - open - 1) + ">";
  return "<" + text + ">";
}

// Now as an RFC 5322 date, in English whatever the locale.
std::string dateHeader() {
  static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const long offset = local.tm_gmtoff / 60;
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", days[local.tm_wday % 7],
                local.tm_mday, months[local.tm_mon % 12], local.tm_year + 1900, local.tm_hour, local.tm_min,
                local.tm_sec, offset < 0 ? '-' : '+', std::labs(offset) / 60, std::labs(offset) % 60);
  return text;
}

// Every line end of the text (CR LF, LF or CR) as CR LF.
std::string crlf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string joinHeader(const std::vector<std::string>& addresses) {
  std::string out;
  for (const std::string& a : addresses) out += (out.empty() ? "" : ", ") + a;
  return out;
}

struct Upload {
  const std::string* data;
  size_t at = 0;
};

size_t readPayload(char* buffer, size_t size, size_t count, void* user) {
  auto* u = static_cast<Upload*>(user);
  const size_t n = std::min(size * count, u->data->size() - u->at);
  std::memcpy(buffer, u->data->data() + u->at, n);
  u->at += n;
  return n;
}

std::string masked(std::string text, const std::string& secret) {
  if (secret.empty()) return text;
  for (size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 4))
    text.replace(at, secret.size(), "****");
  return text;
}

void initialiseCurl() {
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)initialised;
}

}  // namespace

std::vector<std::string> splitAddresses(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    const std::string part =
        trim(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (!part.empty()) out.push_back(part);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

std::string SmtpClient::send(const MailMessage& m) {
  if (!validHost(m.server)) return "The mail server name is not a host name or address.";
  if (m.port < 1 || m.port > 65535) return "The mail server port must be a whole number from 1 to 65535.";
  const std::vector<std::string> to = splitAddresses(m.to);
  const std::vector<std::string> cc = splitAddresses(m.cc);
  const std::vector<std::string> bcc = splitAddresses(m.bcc);
  if (to.empty() && cc.empty() && bcc.empty()) return "The message has no recipient.";
  for (const std::string* field : {&m.user, &m.from, &m.to, &m.cc, &m.bcc, &m.subject})
    if (hasLineBreak(*field)) return "An address or the subject holds a line break.";

  initialiseCurl();
  Easy easy(curl_easy_init());
  if (!easy) return "The mail transfer could not be set up.";
  CURL* c = easy.get();

  const bool implicitTls = m.port == 465;
  const std::string host = m.server.find(':') != std::string::npos ? "[" + m.server + "]" : m.server;
  const std::string url =
      std::string(implicitTls ? "smtps://" : "smtp://") + host + ":" + std::to_string(m.port);

  std::string header = "Date: " + dateHeader() + "\r\n";
  header += "From: " + m.from + "\r\n";
  header += "To: " + joinHeader(to) + "\r\n";
  if (!cc.empty()) header += "Cc: " + joinHeader(cc) + "\r\n";
  header += "Subject: " + m.subject + "\r\n";
  header +=
      "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: "
      "8bit\r\n\r\n";
  std::string body = crlf(m.body);
  if (body.size() < 2 || body.compare(body.size() - 2, 2, "\r\n") != 0) body += "\r\n";
  const std::string payload = header + body;
  Upload upload{&payload};

  List recipients;
  for (const auto* list : {&to, &cc, &bcc})
    for (const std::string& a : *list) append(recipients, envelopeAddress(a));
  List connectTo;
  for (const Redirect& r : redirects)
    append(connectTo, ":" + std::to_string(r.port) + ":" + r.host + ":" + std::to_string(r.toPort));

  char errorBuffer[CURL_ERROR_SIZE] = {0};
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(c, CURLOPT_PROXY, "");
  curl_easy_setopt(c, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(m.port > 100 ? CURLUSESSL_ALL : CURLUSESSL_NONE));
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, caFile.c_str());
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeout.count()));
  curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(responseTimeout.count()));
  curl_easy_setopt(c, CURLOPT_USERNAME, m.user.c_str());
  curl_easy_setopt(c, CURLOPT_PASSWORD, m.password.c_str());
  curl_easy_setopt(c, CURLOPT_LOGIN_OPTIONS, "AUTH=PLAIN;AUTH=LOGIN");
  curl_easy_setopt(c, CURLOPT_MAIL_FROM, envelopeAddress(m.user).c_str());
  curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());
  if (connectTo) curl_easy_setopt(c, CURLOPT_CONNECT_TO, connectTo.get());
  curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(c, CURLOPT_READFUNCTION, &readPayload);
  curl_easy_setopt(c, CURLOPT_READDATA, &upload);
  curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(payload.size()));

  const CURLcode rc = curl_easy_perform(c);
  if (rc == CURLE_OK) return "";
  std::string text = errorBuffer[0] != '\0' ? std::string(errorBuffer) : std::string(curl_easy_strerror(rc));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return masked(text, m.password);
}

}  // namespace fw::mail
