#!/usr/bin/python3
"""The tkinter peer: what a user might pick instead of the launcher.

A 640 x 480 window with a picture, the same four buttons and close button, and the about
lines; it polls the pointer every 10 ms. With GORVEX_PRESENTED_STAMP naming a file, it appends
time.monotonic_ns() and a line end to it once its first complete screen is up.

    /usr/bin/python3 peer_tk.py [PICTURE.png]
"""

import os
import sys
import time
import tkinter as tk

WIDTH, HEIGHT = 640, 480
CAPTIONS = ["Запустить GORVEX", "Редактор карт", "Настройка Управления", "Моды к игрухе"]
FACES = ["#a0a0a0", "#a0a0a0", "#60b060", "#60b060"]
ABOUT = [
    "Ланчер для Gorvex: сделано командой Gorvex",
    "Brisk GUI Ver 0.6 rev 5 (2007_08_xx) Python tkinter",
    "Свободная программа, как есть, без всяких гарантий",
    os.path.dirname(os.path.abspath(__file__)),
]


def build(root, picture):
    root.title("Gorvex tk peer")
    x = (root.winfo_screenwidth() - WIDTH) // 2
    y = (root.winfo_screenheight() - HEIGHT) // 2
    root.geometry(f"{WIDTH}x{HEIGHT}+{x}+{y}")
    root.resizable(False, False)
    canvas = tk.Canvas(root, width=WIDTH, height=HEIGHT, highlightthickness=0, bg="yellow")
    canvas.place(x=0, y=0)
    if picture:
        image = tk.PhotoImage(file=picture)
        canvas.create_image(0, 0, image=image, anchor="nw")
        canvas.image = image  # keep it alive
    font_big = ("Helvetica", 14, "bold")
    for i, caption in enumerate(CAPTIONS):
        tk.Button(root, text=caption, font=font_big, bg=FACES[i], bd=2).place(
            x=170, y=150 + 45 * i, width=300, height=30)
    tk.Button(root, text="*Закрыть*", font=("Helvetica", 7), bg="#e0c040", bd=2,
              command=root.destroy).place(x=4, y=458, width=70, height=18)
    for i, line in enumerate(ABOUT):
        canvas.create_text(4, 3 + 9 * i, text=line, anchor="nw", font=("Helvetica", 7))
    canvas.create_text(460, 468, text='"Gorvex Launcher v1.0 (2007/09/09)"', anchor="nw",
                       font=("Helvetica", 7))


def poll(root):
    root.winfo_pointerxy()
    root.after(10, poll, root)


def main():
    root = tk.Tk()
    build(root, sys.argv[1] if len(sys.argv) > 1 else "")
    root.update_idletasks()
    root.update()
    while not root.winfo_viewable():  # mapped and drawn at least once
        root.update()
    root.update_idletasks()
    root.update()
    stamp = os.environ.get("GORVEX_PRESENTED_STAMP")
    if stamp:
        with open(stamp, "a") as f:
            f.write(f"{time.monotonic_ns()}\n")
    root.after(10, poll, root)
    root.mainloop()


if __name__ == "__main__":
    main()
