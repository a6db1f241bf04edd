#pragma once
// Every text the launcher shows, in CP1251.

#include "base/cp1251.h"

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
inline constexpr Text no_copy_text =
    "Что-то не так! WAD-ник не скопировался в папку roms, игра не запущена";
inline constexpr Text busy_text =
    "Что-то не так! Другой Ланчер как раз ставит свой WAD-ник в эту папку, попробуй ещё раз";

inline constexpr Text no_dialog_text =
    "Что-то не так! Нет окошка для выбора файла: поставь zenity или kdialog, ничего не изменено";

// A name that the temporary file cannot carry: whose name, why, and what to do.
inline constexpr Text bad_wad_name = "Что-то не так! Имя выбранного файла не годится: ";
inline constexpr Text bad_folder_name = "Что-то не так! Имя папки с игрой не годится: ";
inline constexpr Text name_has_control = "в нём есть перевод строки или другой невидимый знак.";
inline constexpr Text name_has_quote = "в нём есть кавычка (\").";
inline constexpr Text name_has_backslash = "в нём есть обратная косая черта (\\).";
inline constexpr Text name_has_lost_letters =
    "в нём есть буквы, которых нет в кодировке временного файла.";
inline constexpr Text rename_advice = " Переименуй его и попробуй снова, ничего не изменено.";

inline constexpr Text dialog_title = "Выбири WAD-ник под Gorvex";
inline constexpr Text filter_wad = "Gorvex wad файлы, (*.wad)";
inline constexpr Text filter_all = "Все какие есть файлы, (*.*)";

}  // namespace app::texts
