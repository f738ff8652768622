// xclose WINDOW-ID: asks a window to close the way a window manager does, with a
// WM_PROTOCOLS client message carrying WM_DELETE_WINDOW. (Destroying the window instead,
// as "xdotool windowclose" does, makes the engine die with an X error.)
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: xclose WINDOW-ID\n");
    return 2;
  }

  char* sEnd = nullptr;
  const unsigned long iWindow = std::strtoul(argv[1], &sEnd, 0);
  if (!*argv[1] || *sEnd || iWindow == 0) {
    std::fprintf(stderr, "xclose: \"%s\" is not a window id\n", argv[1]);
    return 2;
  }

  Display* pDisplay = XOpenDisplay(nullptr);
  if (!pDisplay) {
    std::fprintf(stderr, "xclose: cannot open the display\n");
    return 1;
  }

  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = iWindow;
  event.xclient.message_type = XInternAtom(pDisplay, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(pDisplay, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;

  const Status iSent = XSendEvent(pDisplay, iWindow, False, NoEventMask, &event);
  XSync(pDisplay, False);
  XCloseDisplay(pDisplay);

  if (!iSent) {
    std::fprintf(stderr, "xclose: the message could not be sent to window %lu\n", iWindow);
    return 1;
  }
  return 0;
}
