/* The demo's main program: a small window that shows which release of Vantoro Quillet is
   installed. The build stamps QUILLET_VERSION_TEXT into it and into its version resource. */
#include <windows.h>

#define QUILLET_STR2(x) #x
#define QUILLET_STR(x) QUILLET_STR2(x)

static const char VersionLine[] = "Vantoro Quillet " QUILLET_STR(QUILLET_VERSION_TEXT);

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      RECT client;
      HDC dc = BeginPaint(window, &paint);
      GetClientRect(window, &client);
      SetBkMode(dc, TRANSPARENT);
      DrawTextA(dc, VersionLine, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  WNDCLASSA windowClass = {0};
  HWND window;
  MSG message;
  (void)previous;
  (void)commandLine;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
  windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "VantoroQuillet";
  RegisterClassA(&windowClass);
  window = CreateWindowA("VantoroQuillet", VersionLine, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 360, 120,
                         NULL, NULL, instance, NULL);
  ShowWindow(window, show);
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
