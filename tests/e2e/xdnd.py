"""A drag source for the end-to-end tests: drops files onto a window the way a file manager
does over XDND, talking to the X server through libX11 with ctypes. Every wait is bounded.
    xdnd.py WINDOW ROOT_X ROOT_Y FILE...   (on $DISPLAY)"""

import ctypes
import os
import select
import sys
import time
import urllib.parse

VERSION = 5
URI_LIST = b"text/uri-list"

# Event types and constants from X.h.
DESTROY_NOTIFY, SELECTION_REQUEST, SELECTION_NOTIFY, CLIENT_MESSAGE = 17, 30, 31, 33
STRUCTURE_NOTIFY_MASK = 1 << 17
PROP_MODE_REPLACE = 0
ANY_PROPERTY_TYPE = 0
CURRENT_TIME = 0
NONE = 0



class XdndError(Exception):
    pass


Atom = Window = ctypes.c_ulong


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", Window), ("message_type", Atom),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class SelectionRequest(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("owner", Window), ("requestor", Window), ("selection", Atom),
                ("target", Atom), ("property", Atom), ("time", ctypes.c_ulong)]


class SelectionNotify(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("requestor", Window), ("selection", Atom), ("target", Atom),
                ("property", Atom), ("time", ctypes.c_ulong)]


class DestroyWindow(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("event", Window), ("window", Window)]


class Event(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xclient", ClientMessage),
                ("xselectionrequest", SelectionRequest), ("xselection", SelectionNotify),
                ("xdestroywindow", DestroyWindow), ("pad", ctypes.c_long * 24)]


ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
# Xlib's default handler ends the process; a window that went away is a result here.
IGNORE_ERRORS = ERROR_HANDLER(lambda display, event: 0)


def load_x11():
    """libX11 with the prototypes used here."""
    x11 = ctypes.CDLL("libX11.so.6")
    d, w, a = ctypes.c_void_p, Window, Atom
    signatures = {
        "XOpenDisplay": (d, [ctypes.c_char_p]),
        "XCloseDisplay": (ctypes.c_int, [d]),
        "XDefaultRootWindow": (w, [d]),
        "XConnectionNumber": (ctypes.c_int, [d]),
        "XInternAtom": (a, [d, ctypes.c_char_p, ctypes.c_int]),
        "XCreateSimpleWindow": (w, [d, w, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                    ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong,
                                    ctypes.c_ulong]),
        "XDestroyWindow": (ctypes.c_int, [d, w]),
        "XSelectInput": (ctypes.c_int, [d, w, ctypes.c_long]),
        "XSetSelectionOwner": (ctypes.c_int, [d, a, w, ctypes.c_ulong]),
        "XGetSelectionOwner": (w, [d, a]),
        "XGetWindowProperty": (ctypes.c_int, [
            d, w, a, ctypes.c_long, ctypes.c_long, ctypes.c_int, a,
            ctypes.POINTER(a), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]),
        "XChangeProperty": (ctypes.c_int, [d, w, a, a, ctypes.c_int, ctypes.c_int,
                                           ctypes.c_char_p, ctypes.c_int]),
        "XSendEvent": (ctypes.c_int, [d, w, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]),
        "XPending": (ctypes.c_int, [d]),
        "XNextEvent": (ctypes.c_int, [d, ctypes.c_void_p]),
        "XFlush": (ctypes.c_int, [d]),
        "XSync": (ctypes.c_int, [d, ctypes.c_int]),
        "XFree": (ctypes.c_int, [ctypes.c_void_p]),
        "XSetErrorHandler": (ctypes.c_void_p, [ERROR_HANDLER]),
    }
    for name, (result, arguments) in signatures.items():
        function = getattr(x11, name)
        function.restype, function.argtypes = result, arguments
    return x11


def uri_list(paths):
    """The text/uri-list of the paths: file URIs, percent-encoded, each line ended by CRLF."""
    lines = [b"file://" + urllib.parse.quote(os.fsencode(os.path.abspath(p)), safe="/").encode()
             for p in paths]
    return b"".join(line + b"\r\n" for line in lines)


def selection_notify(request):
    """The SelectionNotify that answers a selection request: a refusal (no property) until
    the answer's property is set in it."""
    reply = Event()
    notify = reply.xselection
    notify.type = SELECTION_NOTIFY
    notify.requestor = request.requestor
    notify.selection = request.selection
    notify.target = request.target
    notify.time = request.time
    notify.property = NONE
    return reply


class Source:
    """One drag: an unmapped 1x1 window that owns XdndSelection on its own connection."""

    def __init__(self, display_name, timeout, answer_as="uri-list"):
        self.x11 = load_x11()
        self.timeout = timeout
        self.answer_as = answer_as
        self.requests = []
        self.x11.XSetErrorHandler(IGNORE_ERRORS)
        self.display = self.x11.XOpenDisplay(display_name.encode())
        if not self.display:
            raise XdndError("cannot open display " + display_name)
        root = self.x11.XDefaultRootWindow(self.display)
        self.window = self.x11.XCreateSimpleWindow(self.display, root, -10, -10, 1, 1, 0, 0, 0)
        self.atoms = {}

    def atom(self, name):
        if name not in self.atoms:
            self.atoms[name] = self.x11.XInternAtom(self.display, name.encode(), 0)
        return self.atoms[name]

    def aware_version(self, target):
        """The XDND version the window announces in XdndAware, or None."""
        kind, size = Atom(), ctypes.c_int()
        count, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        status = self.x11.XGetWindowProperty(
            self.display, target, self.atom("XdndAware"), 0, 1, 0, ANY_PROPERTY_TYPE,
            ctypes.byref(kind), ctypes.byref(size), ctypes.byref(count), ctypes.byref(after),
            ctypes.byref(data))
        if status != 0 or not data.value:
            return None
        try:
            if kind.value != self.atom("ATOM") or size.value != 32 or count.value < 1:
                return None
            return ctypes.cast(data, ctypes.POINTER(ctypes.c_long))[0]
        finally:
            self.x11.XFree(data)

    def send(self, target, message, *values):
        """An XDND client message to the target, naming our window first."""
        event = Event()
        event.xclient.type = CLIENT_MESSAGE
        event.xclient.window = target
        event.xclient.message_type = self.atom(message)
        event.xclient.format = 32
        for i, value in enumerate((self.window,) + values):
            event.xclient.data[i] = value
        self.x11.XSendEvent(self.display, target, 0, 0, ctypes.byref(event))
        self.x11.XFlush(self.display)

    def next_event(self, deadline):
        """The next event from the server, or None once the deadline has passed."""
        descriptor = self.x11.XConnectionNumber(self.display)
        while not self.x11.XPending(self.display):
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                return None
            select.select([descriptor], [], [], remaining)
        event = Event()
        self.x11.XNextEvent(self.display, ctypes.byref(event))
        return event

    def wait_for(self, what, target, data):
        """Waits for the client message `what` from the target, answering requests for our
        selection meanwhile; None if the target's window was destroyed first."""
        deadline = time.monotonic() + self.timeout
        while True:
            event = self.next_event(deadline)
            if event is None:
                raise XdndError("no %s within %g s" % (what, self.timeout))
            if event.type == SELECTION_REQUEST:
                self.answer(event.xselectionrequest, data)
            elif event.type == DESTROY_NOTIFY and event.xdestroywindow.window == target:
                return None
            elif (event.type == CLIENT_MESSAGE and event.xclient.message_type == self.atom(what)
                  and event.xclient.data[0] == target):
                return event.xclient

    def answer(self, request, data):
        """Hands the URI list to the requestor, or refuses any other form. A hostile source
        (`answer_as`) never answers ("never"), or hands the list typed STRING ("string")."""
        self.requests.append(request.target)
        if self.answer_as == "never":
            return
        reply = selection_notify(request)
        notify = reply.xselection
        if request.selection == self.atom("XdndSelection") and request.target == self.atom(
                URI_LIST.decode()):
            # Clients older than ICCCM 2 name no property: the target's name then.
            notify.property = request.property or request.target
            kind = self.atom("STRING") if self.answer_as == "string" else request.target
            self.x11.XChangeProperty(self.display, request.requestor, notify.property,
                                     kind, 8, PROP_MODE_REPLACE, data, len(data))
        self.x11.XSendEvent(self.display, request.requestor, 0, 0, ctypes.byref(reply))
        self.x11.XFlush(self.display)

    def drop(self, target, root_x, root_y, paths):
        """The whole drag over the target; what drop() below describes."""
        version = self.aware_version(target)
        if version is None:
            raise XdndError("window 0x%x is not XdndAware" % target)
        data = uri_list(paths)
        self.x11.XSelectInput(self.display, target, STRUCTURE_NOTIFY_MASK)
        self.x11.XSetSelectionOwner(self.display, self.atom("XdndSelection"), self.window,
                                    CURRENT_TIME)
        if self.x11.XGetSelectionOwner(self.display, self.atom("XdndSelection")) != self.window:
            raise XdndError("could not own XdndSelection")
        self.send(target, "XdndEnter", min(version, VERSION) << 24, self.atom(URI_LIST.decode()))
        self.send(target, "XdndPosition", 0, (root_x << 16) | root_y, CURRENT_TIME,
                  self.atom("XdndActionCopy"))
        status = self.wait_for("XdndStatus", target, data)
        if status is None:
            raise XdndError("the window went away before XdndStatus")
        if not status.data[1] & 1:
            self.send(target, "XdndLeave")
            return {"accepted": False, "finished": None, "requests": self.requests}
        self.send(target, "XdndDrop", 0, CURRENT_TIME)
        finished = self.wait_for("XdndFinished", target, data)
        return {"accepted": True, "requests": self.requests,
                "finished": None if finished is None else bool(finished.data[1] & 1)}

    def close(self):
        self.x11.XDestroyWindow(self.display, self.window)
        self.x11.XSync(self.display, 0)
        self.x11.XCloseDisplay(self.display)


def drop(display_name, target, root_x, root_y, paths, timeout=5, answer_as="uri-list"):
    """Drags the files onto the target top-level window with the pointer at root_x, root_y
    and drops them. Returns {"accepted": XdndStatus accepted, "finished": XdndFinished's
    success flag, or None when the window went away first, "requests": the targets asked
    for}. Raises XdndError when the window is not XdndAware or a reply does not come within
    `timeout` seconds. `answer_as`: how the source answers the request for the files, as
    Source.answer says."""
    source = Source(display_name, timeout, answer_as)
    try:
        return source.drop(target, root_x, root_y, paths)
    finally:
        source.close()


if __name__ == "__main__":
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    print(drop(os.environ["DISPLAY"], int(sys.argv[1], 0), int(sys.argv[2]), int(sys.argv[3]),
               sys.argv[4:]))
