#pragma once
// Every text the launcher shows, in CP1251.

#include "text/cp1251.h"

namespace app::texts {

using cp1251::Text;

inline constexpr Text window_title = "Gorvex Launcher";
inline constexpr Text version_banner = "Brisk GUI Ver 0.6 rev 5 (2007_08_xx)";

inline constexpr Text caption_title = "Мега игра Gorvex";
inline constexpr Text caption_game = "Запустить GORVEX";
inline constexpr Text caption_editor = "Редактор карт";
inline constexpr Text caption_setup = "Настройка Управления";
inline constexpr Text caption_mods = "Моды к игрухе";
inline constexpr Text caption_exit = "*Закрыть*";

inline constexpr Text about_author = "Ланчер для Gorvex: сделано командой Gorvex";
inline constexpr Text about_licence = "Свободная программа, как есть, без всяких гарантий";

inline constexpr Text no_file_text =
    "Для того чтобы этот Ланчер сработал нужен правильно прикрученный к DOSBOX комплект "
    "игрушки Gorvex";
inline constexpr Text no_file_caption = "ОЙ Игрушка потерялась!";
inline constexpr Text no_run_text = "Что-то не так! Временный файл не запускается";
inline constexpr Text no_delete_text = "Что-то не так! Временный файл не удаляется";
inline constexpr Text trouble_caption = "Такая вышла бОтва!";

inline constexpr Text dialog_title = "Выбири WAD-ник под Gorvex";
inline constexpr Text filter_wad = "Gorvex wad файлы, (*.wad)";
inline constexpr Text filter_all = "Все какие есть файлы, (*.*)";

}  // namespace app::texts
