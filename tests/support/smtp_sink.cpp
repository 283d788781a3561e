#include "support/smtp_sink.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/loopback_services.h"

extern char** environ;

namespace fw::testing {

namespace {

std::string lowered(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string headerPart(const std::string& data) {
  const auto end = data.find("\r\n\r\n");
  return end == std::string::npos ? data : data.substr(0, end + 2);
}

}  // namespace

std::string SinkMessage::header(const std::string& name) const {
  const std::string wanted = lowered(name) + ":";
  std::istringstream in(headerPart(data));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lowered(line.substr(0, wanted.size())) == wanted) {
      std::string value = line.substr(wanted.size());
      if (!value.empty() && value.front() == ' ') value.erase(0, 1);
      return value;
    }
  }
  return "";
}

bool SinkMessage::hasHeader(const std::string& name) const {
  const std::string h = "\r\n" + lowered(headerPart(data));
  return h.find("\r\n" + lowered(name) + ":") != std::string::npos;
}

std::string SinkMessage::body() const {
  const auto end = data.find("\r\n\r\n");
  return end == std::string::npos ? "" : data.substr(end + 4);
}

std::filesystem::path SmtpSink::certFile() {
  return fixturesFolder() / "mail" / "test_cert.pem";
}

SmtpSink::SmtpSink(Mode mode, std::string user, std::string password, std::string onlyMechanism) {
  keepLoopbackOffProxies();
  std::string templ = (std::filesystem::temp_directory_path() / "fw_smtp_XXXXXX").string();
  if (mkdtemp(templ.data()) == nullptr) {
    error_ = "no folder for the SMTP sink's messages";
    return;
  }
  folder_ = templ;
  const std::string script = std::string(FLUMEWRIGHT_SOURCE_DIR) + "/tests/support/smtp_sink.py";
  // Debian installs aiosmtpd for its own interpreter; a python3 earlier on PATH may lack it.
  const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  const char* modeName = mode == Mode::Plain ? "plain" : mode == Mode::StartTls ? "starttls" : "tls";
  std::vector<std::string> args = {python,
                                   script,
                                   modeName,
                                   certFile().string(),
                                   (fixturesFolder() / "mail" / "test_key.pem").string(),
                                   user,
                                   password,
                                   folder_.string()};
  if (!onlyMechanism.empty()) args.push_back(onlyMechanism);
  int out[2];
  if (pipe(out) != 0) {
    error_ = "no pipe for the SMTP sink";
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, python.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    error_ = "the SMTP sink could not be started with " + python;
    return;
  }
  pid_ = pid;
  std::string line;
  char c;
  while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
  close(out[0]);
  port_ = std::atoi(line.c_str());
  if (port_ <= 0) {
    error_ = line.empty() ? "the SMTP sink ended without a port" : line;
    port_ = 0;
    stop();
  }
}

SmtpSink::~SmtpSink() {
  stop();
  std::error_code ec;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
}

void SmtpSink::stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }
}

std::vector<SinkMessage> SmtpSink::messages() const {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder_, ec))
    if (entry.path().extension() == ".json") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::vector<SinkMessage> out;
  for (const auto& f : files) {
    std::ifstream in(f);
    const nlohmann::json j = nlohmann::json::parse(in, nullptr, false);
    if (j.is_discarded()) continue;
    SinkMessage m;
    m.mailFrom = j.value("mail_from", "");
    for (const auto& r : j.value("rcpt_tos", nlohmann::json::array()))
      m.rcptTos.push_back(r.get<std::string>());
    m.data = j.value("data", "");
    m.tls = j.value("tls", "");
    m.login = j.value("login", "");
    m.mechanism = j.value("mechanism", "");
    out.push_back(std::move(m));
  }
  return out;
}

void SmtpSink::serve(mail::SmtpClient& client, int settingPort) const {
  client.caFile = certFile().string();
  client.redirects.erase(
      std::remove_if(client.redirects.begin(), client.redirects.end(),
                     [&](const mail::SmtpClient::Redirect& r) { return r.port == settingPort; }),
      client.redirects.end());
  client.redirects.push_back({settingPort, "127.0.0.1", port_});
}

}  // namespace fw::testing
