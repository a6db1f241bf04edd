"""The X clipboard for the end-to-end tests: a text to paste into a dialog, and the text a
dialog copied, through libX11 with ctypes (the bindings of xdnd.py). Every wait is bounded.
    clipboard.py offer SECONDS TEXT   owns CLIPBOARD and hands TEXT to whoever asks, until
                                      another client takes it or SECONDS pass; prints "ready"
                                      once it owns it and "given" each time it handed TEXT
    clipboard.py read SECONDS         prints CLIPBOARD's text, or ends with 1 when there is none
(on $DISPLAY)"""

import ctypes
import os
import sys
import time

import xdnd
from xdnd import ANY_PROPERTY_TYPE, CURRENT_TIME, NONE, SELECTION_NOTIFY, SELECTION_REQUEST, Atom

SELECTION_CLEAR = 29
# The forms of text GTK 3 and 4 and Qt ask for.
TEXT_TARGETS = ("UTF8_STRING", "text/plain;charset=utf-8", "STRING", "TEXT", "text/plain")
LONGEST = 1 << 16  # longer than any path a test pastes; the clipboard is read up to this


class Clipboard(xdnd.Source):
    """An unmapped window on a connection of its own, owner or reader of CLIPBOARD."""

    def __init__(self, display_name, timeout):
        super().__init__(display_name, timeout)
        self.x11.XConvertSelection.restype = ctypes.c_int
        self.x11.XConvertSelection.argtypes = [ctypes.c_void_p, Atom, Atom, Atom,
                                               xdnd.Window, ctypes.c_ulong]

    def hand_over(self, request, text):
        """Answers one request for our selection: the list of forms, the text, or a refusal."""
        reply = xdnd.selection_notify(request)
        notify = reply.xselection
        target = request.target
        where = request.property or request.target
        if target == self.atom("TARGETS"):
            forms = [self.atom(name) for name in ("TARGETS",) + TEXT_TARGETS]
            array = (ctypes.c_long * len(forms))(*forms)
            self.x11.XChangeProperty(self.display, request.requestor, where, self.atom("ATOM"),
                                     32, xdnd.PROP_MODE_REPLACE,
                                     ctypes.cast(array, ctypes.c_char_p), len(forms))
            notify.property = where
        elif target in [self.atom(name) for name in TEXT_TARGETS]:
            kind = self.atom("STRING" if target == self.atom("STRING") else "UTF8_STRING")
            self.x11.XChangeProperty(self.display, request.requestor, where, kind, 8,
                                     xdnd.PROP_MODE_REPLACE, text, len(text))
            notify.property = where
        self.x11.XSendEvent(self.display, request.requestor, 0, 0, ctypes.byref(reply))
        self.x11.XFlush(self.display)
        return notify.property != NONE and target != self.atom("TARGETS")

    def offer(self, text):
        """Owns CLIPBOARD and serves the text until another client takes it or time runs out."""
        clipboard = self.atom("CLIPBOARD")
        self.x11.XSetSelectionOwner(self.display, clipboard, self.window, CURRENT_TIME)
        if self.x11.XGetSelectionOwner(self.display, clipboard) != self.window:
            raise xdnd.XdndError("could not own CLIPBOARD")
        print("ready", flush=True)
        deadline = time.monotonic() + self.timeout
        while True:
            event = self.next_event(deadline)
            if event is None or event.type == SELECTION_CLEAR:
                return
            if event.type == SELECTION_REQUEST and self.hand_over(event.xselectionrequest, text):
                print("given", flush=True)

    def read(self):
        """CLIPBOARD's text as bytes, or None when no client holds it as text."""
        where = self.atom("GORVEX_PASTED")
        self.x11.XConvertSelection(self.display, self.atom("CLIPBOARD"), self.atom("UTF8_STRING"),
                                   where, self.window, CURRENT_TIME)
        self.x11.XFlush(self.display)
        deadline = time.monotonic() + self.timeout
        while True:
            event = self.next_event(deadline)
            if event is None:
                return None
            if event.type == SELECTION_NOTIFY and event.xselection.requestor == self.window:
                break
        if event.xselection.property == NONE:
            return None
        kind, size = Atom(), ctypes.c_int()
        count, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        status = self.x11.XGetWindowProperty(
            self.display, self.window, where, 0, LONGEST // 4, 1, ANY_PROPERTY_TYPE,
            ctypes.byref(kind), ctypes.byref(size), ctypes.byref(count), ctypes.byref(after),
            ctypes.byref(data))
        if status != 0 or not data.value:
            return None
        try:
            if size.value != 8:
                return None
            return ctypes.string_at(data, count.value)
        finally:
            self.x11.XFree(data)


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in ("offer", "read"):
        sys.exit(__doc__)
    board = Clipboard(os.environ["DISPLAY"], float(sys.argv[2]))
    try:
        if sys.argv[1] == "offer":
            board.offer(os.fsencode(sys.argv[3]))
            return 0
        text = board.read()
        if text is None:
            return 1
        sys.stdout.buffer.write(text)
        return 0
    finally:
        board.close()


if __name__ == "__main__":
    sys.exit(main())
