// A headless Chromium driven as a person drives it: open a page, type into
// its fields, press its buttons, read what it shows, take screenshots.  The
// browser runs with --remote-debugging-pipe and is spoken to in its DevTools
// protocol (JSON messages ended by NUL on the fds 3 and 4), so no network
// port and no helper package are needed.
//
//   kal::cdp::Browser b;                     // skipped by the caller when !b.ok()
//   b.open("http://127.0.0.1:3522/...");     // waits for the load
//   b.eval("document.title");                // the value as text (JSON for objects)
//   b.submit("document.querySelector('input[value=Szukaj]').click()");
//   b.screenshot(path);
//   b.dialogs(); b.errors();                 // alerts that opened, script errors
//
// The browser binary: KAL_CHROMIUM, else Debian's chromium (tools/deps.sh).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace kal::cdp {

inline std::string chromium_path() {
  if (const char* env = std::getenv("KAL_CHROMIUM"); env && *env) return env;
  for (const char* p : {"/usr/bin/chromium", "/usr/bin/chromium-browser", "/usr/lib/chromium/chromium"})
    if (::access(p, X_OK) == 0) return p;
  return "";
}

// A JSON string literal of a text.
inline std::string quote(const std::string& s) {
  std::string o = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      o += '\\';
      o += static_cast<char>(c);
    } else if (c < 0x20) {
      char u[8];
      std::snprintf(u, sizeof u, "\\u%04x", c);
      o += u;
    } else {
      o += static_cast<char>(c);
    }
  }
  return o + "\"";
}

// The string value of the first "key":"..." in a message, unescaped (UTF-8);
// "" when there is none.
inline std::string string_field(const std::string& msg, const std::string& key) {
  const std::string tag = "\"" + key + "\":\"";
  std::size_t i = msg.find(tag);
  if (i == std::string::npos) return "";
  std::string out;
  for (i += tag.size(); i < msg.size() && msg[i] != '"'; ++i) {
    if (msg[i] != '\\') {
      out += msg[i];
      continue;
    }
    const char e = msg[++i];
    switch (e) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'u': {
        unsigned cp = static_cast<unsigned>(std::stoul(msg.substr(i + 1, 4), nullptr, 16));
        i += 4;
        if (cp >= 0xD800 && cp < 0xDC00 && msg.compare(i + 1, 2, "\\u") == 0) {
          const unsigned lo = static_cast<unsigned>(std::stoul(msg.substr(i + 3, 4), nullptr, 16));
          cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          i += 6;
        }
        if (cp < 0x80) {
          out += static_cast<char>(cp);
        } else if (cp < 0x800) {
          out += static_cast<char>(0xC0 | (cp >> 6));
          out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
          out += static_cast<char>(0xE0 | (cp >> 12));
          out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
          out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
          out += static_cast<char>(0xF0 | (cp >> 18));
          out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
          out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
          out += static_cast<char>(0x80 | (cp & 0x3F));
        }
        break;
      }
      default: out += e;
    }
  }
  return out;
}

inline std::string base64_decode(const std::string& in) {
  auto val = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  std::string out;
  int bits = 0, acc = 0;
  for (char c : in) {
    const int v = val(c);
    if (v < 0) continue;
    acc = (acc << 6) | v;
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  return out;
}

class Browser {
 public:
  explicit Browser(int width = 1280, int height = 900) {
    const std::string exe = chromium_path();
    if (exe.empty()) return;
    char tmpl[] = "/tmp/kal_cdp_XXXXXX";
    if (!::mkdtemp(tmpl)) return;
    dir_ = tmpl;
    int to_browser[2], from_browser[2];
    if (::pipe2(to_browser, O_CLOEXEC) != 0) return;
    if (::pipe2(from_browser, O_CLOEXEC) != 0) {
      ::close(to_browser[0]);
      ::close(to_browser[1]);
      return;
    }
    std::vector<std::string> args = {exe,
                                     "--headless",
                                     "--no-sandbox",
                                     "--disable-gpu",
                                     "--disable-quic",
                                     "--no-first-run",
                                     "--disable-background-networking",
                                     "--disable-component-update",
                                     "--disable-sync",
                                     "--disable-dev-shm-usage",
                                     "--hide-scrollbars",
                                     "--remote-debugging-pipe",
                                     "--user-data-dir=" + dir_ + "/profile",
                                     "--window-size=" + std::to_string(width) + "," + std::to_string(height),
                                     "about:blank"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, (dir_ + "/log.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&fa, to_browser[0], 3);
    posix_spawn_file_actions_adddup2(&fa, from_browser[1], 4);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);  // its own group, ended as one
    posix_spawnattr_setpgroup(&attr, 0);
    const int rc = ::posix_spawn(&pid_, argv[0], &fa, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    ::close(to_browser[0]);
    ::close(from_browser[1]);
    out_ = to_browser[1];
    in_ = from_browser[0];
    if (rc != 0) {
      pid_ = -1;
      return;
    }
    // A page of its own, attached with a session of the protocol.
    const std::string target = string_field(call("Target.createTarget", "{\"url\":\"about:blank\"}"), "targetId");
    if (target.empty()) return;
    session_ = string_field(call("Target.attachToTarget", "{\"targetId\":" + quote(target) + ",\"flatten\":true}"),
                            "sessionId");
    if (session_.empty()) return;
    call("Page.enable", "{}", true);
    call("Runtime.enable", "{}", true);
    ok_ = true;
  }

  ~Browser() {
    if (out_ >= 0) ::close(out_);
    if (in_ >= 0) ::close(in_);
    if (pid_ > 0) {
      ::kill(-pid_, SIGKILL);
      int st = 0;
      ::waitpid(pid_, &st, 0);
    }
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;

  bool ok() const { return ok_; }

  // Opens the address and waits for its load.
  bool open(const std::string& url) {
    loaded_ = false;
    call("Page.navigate", "{\"url\":" + quote(url) + "}", true);
    return wait_load();
  }
  // Runs the script (a click on a submit button) and waits for the page it
  // leads to.
  bool submit(const std::string& script) {
    loaded_ = false;
    eval(script);
    return wait_load();
  }
  // The value of a script expression as text.
  std::string eval(const std::string& expression) {
    const std::string r =
        call("Runtime.evaluate", "{\"expression\":" + quote(expression) + ",\"returnByValue\":true}", true);
    return string_field(r, "value");
  }
  bool screenshot(const std::string& path) {
    const std::string r = call("Page.captureScreenshot", "{\"format\":\"png\"}", true);
    const std::string png = base64_decode(string_field(r, "data"));
    std::ofstream(path, std::ios::binary) << png;
    return png.size() > 8;
  }
  // What opened dialogs (alert, confirm) said; what scripts threw.
  const std::vector<std::string>& dialogs() const { return dialogs_; }
  const std::vector<std::string>& errors() const { return errors_; }

 private:
  // Sends a command (on the page's session when on_page) and returns its
  // answer; events that come meanwhile are noted.
  std::string call(const std::string& method, const std::string& params, bool on_page = false) {
    const int id = ++next_id_;
    std::string msg = "{\"id\":" + std::to_string(id) + ",\"method\":" + quote(method) + ",\"params\":" + params;
    if (on_page) msg += ",\"sessionId\":" + quote(session_);
    msg += "}";
    msg.push_back('\0');
    if (!write_all(msg)) return "";
    const std::string tag = "{\"id\":" + std::to_string(id) + ",";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
      std::string m;
      if (!read_message(m, deadline)) return "";
      if (m.compare(0, tag.size(), tag) == 0) return m;
      note_event(m);
    }
  }

  bool wait_load() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!loaded_) {
      std::string m;
      if (!read_message(m, deadline)) return false;
      note_event(m);
    }
    return true;
  }

  void note_event(const std::string& m) {
    if (m.find("\"method\":\"Page.loadEventFired\"") != std::string::npos) loaded_ = true;
    if (m.find("\"method\":\"Page.javascriptDialogOpening\"") != std::string::npos) {
      dialogs_.push_back(string_field(m, "message"));
      // Close it, or the page would wait for a person forever.
      const int id = ++next_id_;
      std::string close = "{\"id\":" + std::to_string(id) +
                          ",\"method\":\"Page.handleJavaScriptDialog\",\"params\":{\"accept\":true},\"sessionId\":" +
                          quote(session_) + "}";
      close.push_back('\0');
      write_all(close);
    }
    if (m.find("\"method\":\"Runtime.exceptionThrown\"") != std::string::npos) errors_.push_back(m);
  }

  bool write_all(const std::string& s) {
    std::size_t done = 0;
    while (done < s.size()) {
      const ssize_t n = ::write(out_, s.data() + done, s.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  bool read_message(std::string& m, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
      const std::size_t end = buf_.find('\0');
      if (end != std::string::npos) {
        m = buf_.substr(0, end);
        buf_.erase(0, end + 1);
        return true;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
      if (left <= 0) return false;
      pollfd p{in_, POLLIN, 0};
      const int r = ::poll(&p, 1, static_cast<int>(left));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return false;
      char chunk[65536];
      const ssize_t n = ::read(in_, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      buf_.append(chunk, static_cast<std::size_t>(n));
    }
  }

  std::string dir_, session_, buf_;
  pid_t pid_ = -1;
  int out_ = -1, in_ = -1, next_id_ = 0;
  bool ok_ = false, loaded_ = false;
  std::vector<std::string> dialogs_, errors_;
};

}  // namespace kal::cdp
