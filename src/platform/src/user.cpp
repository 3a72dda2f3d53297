// The message box seam of user32.
#include "plat/user.h"

#include <atomic>
#include <deque>
#include <mutex>

#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/machineconf.h"
#include "plat/wstr.h"

namespace {

constexpr size_t kLogLimit = 256;

struct State {
  std::mutex lock;
  std::deque<int> script;
  std::deque<plat::MessageBoxRecord> log;
};

State& Get() {
  static State s;
  return s;
}

int FirstButton(UINT type) {
  switch (type & 0xF) {
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO: return IDYES;
    case MB_RETRYCANCEL: return IDRETRY;
    default: return IDOK;
  }
}

}  // namespace

extern "C" int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (plat::ShouldFail("MessageBoxW")) return 0;
  plat::MessageBoxRecord r;
  r.caption = caption ? caption : u"Error";  // Windows' caption for a null one
  r.text = text ? text : u"";
  r.type = type;
  State& s = Get();
  {
    std::lock_guard<std::mutex> g(s.lock);
    if (!s.script.empty()) {
      r.answer = s.script.front();
      s.script.pop_front();
    } else {
      r.answer = int(plat::GetMachineSettingInt("msgbox.answer", FirstButton(type)));
    }
    s.log.push_back(r);
    if (s.log.size() > kLogLimit) s.log.pop_front();
  }
  plat::NoteCall("MessageBoxW", plat::ToUtf8(r.caption) + " | " + plat::ToUtf8(r.text) + " | " +
                                    plat::MessageBoxButtonsText(type));
  return r.answer;
}

namespace {
std::atomic<HWND> g_active{nullptr};
}

extern "C" HWND GetActiveWindow() { return g_active.load(); }

namespace plat {

void SetActiveWindowValue(HWND window) { g_active.store(window); }

void ScriptMessageBoxAnswers(const std::vector<int>& answers) {
  State& s = Get();
  std::lock_guard<std::mutex> g(s.lock);
  s.script.assign(answers.begin(), answers.end());
}

std::vector<MessageBoxRecord> MessageBoxLog() {
  State& s = Get();
  std::lock_guard<std::mutex> g(s.lock);
  return std::vector<MessageBoxRecord>(s.log.begin(), s.log.end());
}

void ClearMessageBoxLog() {
  State& s = Get();
  std::lock_guard<std::mutex> g(s.lock);
  s.log.clear();
  s.script.clear();
}

std::string MessageBoxButtonsText(UINT type) {
  switch (type & 0xF) {
    case MB_OK: return "OK";
    case MB_OKCANCEL: return "OK Cancel";
    case MB_ABORTRETRYIGNORE: return "Abort Retry Ignore";
    case MB_YESNOCANCEL: return "Yes No Cancel";
    case MB_YESNO: return "Yes No";
    case MB_RETRYCANCEL: return "Retry Cancel";
    default: return "buttons " + std::to_string(type & 0xF);
  }
}

}  // namespace plat
