// Drives QuilletUpdate.exe through a whole update as a user would, from outside its
// process: starts it from a demo installation, reads its window's texts, presses the
// update button, answers the question with OK, waits for the completion notice and
// answers it, and checks the installed files byte for byte. Screenshots are taken by the
// calling script: at each of the two moments the driver creates "<name>.ready" in the
// marker directory and waits for the script to create "<name>.done".
//
// UpdateDriver <demo dir> <language file name> <marker dir> (<installed file> <expected file>)...
// Every expected text is read from the demo installation's language file, in the system
// code page, as the updater reads it. The outcome, "passed" or "failed", is written to
// "result" in the marker directory (a program started on a Wine desktop has no exit code
// to give its caller) and is the exit code as well.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr DWORD kGenerous = 60000;
int failures = 0;

void Fail(const std::string &what) {
  std::fprintf(stderr, "FAILED: %s\n", what.c_str());
  ++failures;
}

void ExpectEqual(const std::string &what, const std::string &actual, const std::string &expected) {
  if (actual != expected) Fail(what + ": \"" + actual + "\", expected \"" + expected + "\"");
}

// Polls Condition every 50 ms for at most kGenerous ms; true once it held.
template <typename Condition>
bool WaitFor(Condition condition) {
  for (DWORD waited = 0; waited < kGenerous; waited += 50) {
    if (condition()) return true;
    Sleep(50);
  }
  return condition();
}

std::string TextOf(HWND window) {
  char text[1024] = "";
  if (window) GetWindowTextA(window, text, int(sizeof text));
  return text;
}

std::string ReadFileBytes(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct Language {
  std::string file;
  std::string Read(const char *section, const char *key) const {
    char value[2048] = "";
    GetPrivateProfileStringA(section, key, "", value, DWORD(sizeof value), file.c_str());
    return value;
  }
  std::string Message(const char *key, const std::string &argument = std::string()) const {
    std::string text = Read("Message", key);
    const auto placeholder = text.find("%s");
    if (placeholder != std::string::npos) text.replace(placeholder, 2, argument);
    return text;
  }
};

// The child control at a point of the window's client area (the layout puts each there).
HWND ControlAt(HWND form, int x, int y) {
  POINT point{x, y};
  HWND child = ChildWindowFromPointEx(form, point, CWP_SKIPINVISIBLE);
  return child == form ? nullptr : child;
}

struct BoxSearch {
  HWND owner;
  HWND found;
};

// A message box that the window owns: a dialog of the system's class "#32770".
HWND FindOwnedMessageBox(HWND form) {
  BoxSearch search{form, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto *search = reinterpret_cast<BoxSearch *>(data);
        char className[64] = "";
        GetClassNameA(window, className, int(sizeof className));
        if (std::string(className) != "#32770" || GetWindow(window, GW_OWNER) != search->owner ||
            !IsWindowVisible(window))
          return TRUE;
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The text of a message box (its static control 0xFFFF) and its title, checked; then
// its OK button is pressed.
bool AnswerMessageBox(HWND form, const std::string &what, const std::string &text, const std::string &caption) {
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = FindOwnedMessageBox(form)) != nullptr; })) {
    Fail("no " + what + " appeared");
    return false;
  }
  ExpectEqual(what + " text", TextOf(GetDlgItem(box, 0xFFFF)), text);
  ExpectEqual(what + " caption", TextOf(box), caption);
  PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  if (!WaitFor([&] { return !IsWindow(box); })) Fail(what + " did not close");
  return true;
}

void Screenshot(const std::string &markers, const std::string &name) {
  std::ofstream(markers + "\\" + name + ".ready").put('\n');
  const std::string done = markers + "\\" + name + ".done";
  if (!WaitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }))
    Fail("no screenshot " + name);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 4 || (argc - 4) % 2 != 0) {
    std::fprintf(stderr, "usage: UpdateDriver <demo dir> <language file> <marker dir> (<installed> <expected>)...\n");
    return 2;
  }
  const std::string demo = argv[1];
  const Language language{demo + "\\Language\\" + argv[2]};
  const std::string markers = argv[3];

  std::string commandLine = "\"" + demo + "\\QuilletUpdate.exe\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, demo.c_str(), &startup,
                      &process)) {
    Fail("cannot start " + commandLine);
    std::ofstream(markers + "\\result") << "failed";
    return 1;
  }

  HWND form = nullptr;
  if (!WaitFor([&] { return (form = FindWindowA("TfrmQuilletUpdate", nullptr)) && IsWindowVisible(form); })) {
    Fail("no update window");
    TerminateProcess(process.hProcess, 1);
    std::ofstream(markers + "\\result") << "failed";
    return 1;
  }
  HWND lblOper = ControlAt(form, 20, 16);
  HWND lblInfo = ControlAt(form, 20, 42);
  HWND btnUpdate = ControlAt(form, 300, 108);
  HWND btnClose = ControlAt(form, 400, 108);
  if (!lblOper || !lblInfo || !btnUpdate || !btnClose) Fail("controls not where the layout puts them");

  // The texts of the language chosen from the system's language.
  ExpectEqual("title", TextOf(form), language.Read("TfrmQuilletUpdate", "frmQuilletUpdate.Caption"));
  ExpectEqual("update button", TextOf(btnUpdate), language.Read("TfrmQuilletUpdate", "btnUpdate.Caption"));
  ExpectEqual("close button", TextOf(btnClose), language.Read("TfrmQuilletUpdate", "btnClose.Caption"));
  RECT client{};
  GetClientRect(form, &client);
  if (client.right != 471 || client.bottom != 139)
    Fail("client area " + std::to_string(client.right) + " x " + std::to_string(client.bottom));
  Screenshot(markers, "before");

  // The click as the button reports it to its window.
  PostMessageA(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(btnUpdate), BN_CLICKED), LPARAM(btnUpdate));
  AnswerMessageBox(form, "question", language.Message("Msg208", "1.3.0.0"), language.Message("Msg200"));
  AnswerMessageBox(form, "completion notice", language.Message("Msg202"), language.Message("Msg200"));

  const std::string done = language.Message("Msg203");
  const std::string installed = language.Message("Msg204", "1.3.0.0");
  if (!WaitFor([&] { return TextOf(lblOper) == done && TextOf(lblInfo) == installed; })) {
    ExpectEqual("operation line", TextOf(lblOper), done);
    ExpectEqual("information line", TextOf(lblInfo), installed);
  }
  ExpectEqual("update button afterwards", TextOf(btnUpdate), language.Message("Msg205"));
  Screenshot(markers, "after");

  for (int i = 4; i + 1 < argc; i += 2) {
    const std::string path = demo + "\\" + argv[i];
    if (ReadFileBytes(path) != ReadFileBytes(argv[i + 1])) Fail(path + " differs from " + argv[i + 1]);
  }

  PostMessageA(form, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, kGenerous) != WAIT_OBJECT_0) {
    Fail("the updater did not end after its window closed");
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::ofstream(markers + "\\result") << (failures == 0 ? "passed" : "failed");
  return failures == 0 ? 0 : 1;
}
