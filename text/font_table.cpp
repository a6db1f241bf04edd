// The launcher's pixel-art font: 133 glyphs, strokes in "1", an outline of "s", "x" at the
// outline's corners and stroke ends, "2" as shading. Neighbouring glyphs share one column.

#include <algorithm>
#include <array>

#include "text/art.h"
#include "text/cp1251.h"

namespace text {

namespace {

using cp1251::code;

constexpr std::array<Art<9>, 133> font = {{
    {32,
     5,
     8,  // space
     {".....", ".....", ".....", ".....", ".....", ".....", ".....", "....."}},
    {'!',
     3,
     8,  // exclamation mark
     {"xsx", "s1s", "s1s", "s1s", "s1s", "xsx", "s1s", "xsx"}},
    {'"',
     5,
     8,  // quotation mark
     {"xsxsx", "s1s1s", "s1s1s", "xsssx", ".....", ".....", ".....", "....."}},
    {'#',
     7,
     8,  // number sign
     {".xsxsx.", "xs1s1sx", "s11111s", "xs1s1sx", "xs1s1sx", "s11111s", "xs1s1sx", ".xsxsx."}},
    {'$',
     7,
     9,  // dollar sign
     {"..xsx..", "xss1ssx", "s21111s", "s1s1ssx", "x21112x", "xss1s1s", "s11112s", "xss1ssx",
      "..xsx.."}},
    {'%',
     8,
     8,  // percent sign
     {".xsx.xsx", "x21sxs1s", "s12xs1sx", "xsxs1sx.", ".xs1sxsx", "xs1sx21s", "s1sxs12x",
      "xsx.xsx."}},
    {'(',
     5,
     8,  // left parenthesis
     {"..xsx", ".x21s", "x21sx", "s1ss.", "s1ss.", "x21sx", ".x21s", "..xsx"}},
    {')',
     5,
     8,  // right parenthesis
     {"xsx..", "s12x.", "xs12x", ".ss1s", ".ss1s", "xs12x", "s12x.", "xsx.."}},
    {'*',
     9,
     9,  // asterisk
     {"...xsx...", ".xss1ssx.", ".s1s1s1s.", "xss111ssx", "s1111111s", "xss111ssx", ".s1s1s1s.",
      ".xss1ssx.", "...xsx..."}},
    {'+',
     7,
     8,  // plus sign
     {"..xsx..", "..s1s..", "xss1ssx", "s11111s", "xss1ssx", "..s1s..", "..xsx..", "......."}},
    {',',
     3,
     8,  // comma
     {"...", "...", "...", "...", "xsx", "s1s", "s1s", "xsx"}},
    {'-',
     6,
     8,  // hyphen-minus
     {"......", "......", "xssssx", "s1111s", "xssssx", "......", "......", "......"}},
    {'.',
     3,
     8,  // full stop
     {"...", "...", "...", "...", "...", "xsx", "s1s", "xsx"}},
    {'/',
     7,
     8,  // solidus
     {"....xsx", "...xs1s", "..xs1sx", ".xs1sx.", "xs1sx..", "s1sx...", "xsx....", "......."}},
    {'0',
     7,
     8,  // 0
     {".xsssx.", "x21112x", "s1xs21s", "s1s2s1s", "s1s2s1s", "s12sx1s", "x21112x", ".xsssx."}},
    {'1',
     7,
     8,  // 1
     {"..xsx..", ".xs1s..", "xs11s..", "s1s1s..", "xss1s..", "xss1ssx", "s11211s", "xssxssx"}},
    {'2',
     6,
     8,  // 2
     {".xssx.", "x2112x", "s1ss1s", "xsss1s", "x2112x", "s1sssx", "s1111s", "xssssx"}},
    {'3',
     6,
     8,  // 3
     {".xssx.", "x2112x", "s1ss1s", "xss12x", "xsss1s", "s1ss1s", "x2112x", ".xssx."}},
    {'4',
     7,
     8,  // 4
     {"...xsx.", "..xs1s.", ".xs11s.", "xs1s1s.", "s1ss1sx", "s11111s", "xsss1sx", ".xxxsx."}},
    {'5',
     6,
     8,  // 5
     {"xssssx", "s1111s", "s1sssx", "s1112x", "xsss1s", "s1ss1s", "x2112x", ".xssx."}},
    {'6',
     6,
     8,  // 6
     {".xsssx", "x2111s", "s1sssx", "s1112x", "s1ss1s", "s1ss1s", "x2112x", ".xssx."}},
    {'7',
     6,
     8,  // 7
     {"xssssx", "s1111s", "xsss1s", ".xs1sx", ".s12x.", "xs1sx.", "s1sx..", "xsx..."}},
    {'8',
     6,
     8,  // 8
     {".xssx.", "x2112x", "s1ss1s", "x2112x", "s1ss1s", "s1ss1s", "x2112x", ".xssx."}},
    {'9',
     6,
     8,  // 9
     {".xssx.", "x2112x", "s1ss1s", "x2111s", ".xss1s", "xss1sx", "s11sx.", "xssx.."}},
    {':',
     3,
     8,  // colon
     {"...", "xsx", "s1s", "xsx", "...", "xsx", "s1s", "xsx"}},
    {'<',
     7,
     8,  // less-than sign
     {".......", "....xsx", "..xs21s", "xs21ssx", "21ss...", "xs21ss.", "..xs21s", "....xsx"}},
    {'=',
     6,
     8,  // equals sign
     {"......", "xssssx", "s1111s", "xssssx", "s1111s", "xssssx", "......", "......"}},
    {'>',
     7,
     8,  // greater-than sign
     {".......", "xsx....", "s12sx..", "xss12sx", "...ss12", "xss12sx", "s12sx..", "xsx...."}},
    {'?',
     6,
     8,  // question mark
     {".xssx.", "x2112x", "s1ss1s", ".ss12x", ".s12x.", "..sx..", ".s12x.", "..sx.."}},
    {'A',
     6,
     8,  // A
     {".xssx.", "x2112x", "s1ss1s", "s1ss1s", "s1111s", "s1ss1s", "s1ss1s", "xsxxsx"}},
    {'B',
     6,
     8,  // B
     {"xsssx.", "s1112x", "s1ss1s", "s1111s", "s1ss1s", "s1ss1s", "s1112x", "xsssx."}},
    {'C',
     5,
     8,  // C
     {".xssx", "x211s", "s1ssx", "s1s..", "s1s..", "s1ssx", "x211s", ".xssx"}},
    {'D',
     6,
     8,  // D
     {"xsssx.", "s1112x", "s1ss1s", "s1ss1s", "s1ss1s", "s1ss1s", "s1112x", "xsssx."}},
    {'E',
     6,
     8,  // E
     {"xssssx", "s1111s", "s1sssx", "s1112x", "s1ssx.", "s1sssx", "s1111s", "xssssx"}},
    {'F',
     6,
     8,  // F
     {"xssssx", "s1111s", "s1sssx", "s111s.", "s1ssx.", "s1s...", "s1s...", "xsx..."}},
    {'G',
     6,
     8,  // G
     {".xsssx", "x2111s", "s1sssx", "s1s12x", "s1ss1s", "s1ss1s", "x2112x", ".xssx."}},
    {'H',
     6,
     8,  // H
     {"xsxxsx", "s1ss1s", "s1ss1s", "s1111s", "s1ss1s", "s1ss1s", "s1ss1s", "xsxxsx"}},
    {'I',
     5,
     8,  // I
     {"xsssx", "s111s", "xs1sx", ".s1s.", ".s1s.", "xs1sx", "s111s", "xsssx"}},
    {'J',
     6,
     8,  // J
     {"...xsx", "...s1s", "...s1s", "...s1s", "xsxs1s", "s1ss1s", "x2112x", ".xssx."}},
    {'K',
     6,
     8,  // K
     {"xsxxsx", "s1ss1s", "s1s1sx", "s11sx.", "s1s1sx", "s1ss1s", "s1ss1s", "xsxxsx"}},
    {'L',
     6,
     8,  // L
     {"xsx...", "s1s...", "s1s...", "s1s...", "s1sxsx", "s1ss1s", "s1111s", "xssssx"}},
    {'M',
     7,
     8,  // M
     {"xsx.xsx", "s1sxs1s", "s11s11s", "s1s1s1s", "s1sss1s", "s1s.s1s", "s1s.s1s", "xsx.xsx"}},
    {'N',
     7,
     8,  // N
     {"xsx.xsx", "s1sxs1s", "s11ss1s", "s121s1s", "s1s121s", "s1ss11s", "s1sxs1s", "xsx.xsx"}},
    {'O',
     6,
     8,  // O
     {"xssssx", "s2112s", "s1ss1s", "s1ss1s", "s1ss1s", "s1ss1s", "s2112s", "xssssx"}},
    {'P',
     6,
     8,  // P
     {"xsssx.", "s1112x", "s1ss1s", "s1112x", "s1ssx.", "s1s...", "s1s...", "xsx..."}},
    {'Q',
     6,
     8,  // Q
     {".xsss.", "x2112s", "s1ss1s", "s1ss1s", "s1ss1s", "s1s11s", "x2111s", ".xsss1"}},
    {'R',
     6,
     8,  // R
     {"xsssx.", "s1112x", "s1ss1s", "s1112x", "s1ss1s", "s1ss1s", "s1ss1s", "xsxxsx"}},
    {'S',
     6,
     8,  // S
     {".xsssx", "x2111s", "s1sssx", "xs11sx", "xss21s", "s1ss1s", "x2112x", ".xssx."}},
    {'T',
     7,
     8,  // T
     {"xsssssx", "s11111s", "s1s1s1s", "xss1sxx", "..s1s..", "..s1s..", "..s1s..", "..xsx.."}},
    {'U',
     6,
     8,  // U
     {"xsxxsx", "s1ss1s", "s1ss1s", "s1ss1s", "s1ss1s", "s1ss1s", "x2112x", ".xssx."}},
    {'V',
     7,
     8,  // V
     {"xsx.xsx", "s1s.s1s", "s1s.s1s", "s1sxs1s", "x21s12x", ".s1s1s.", ".x212x.", "..xsx.."}},
    {'W',
     7,
     8,  // W
     {"xsx.xsx", "s1s.s1s", "s1sss1s", "s1s1s1s", "s12121s", "x21s12x", ".s1s1s.", ".xsxsx."}},
    {'X',
     7,
     8,  // X
     {"xsx.xsx", "s1sxs1s", "xs1s1sx", ".xs1sx.", ".xs1sx.", "xs1s1sx", "s1sxs1s", "xsx.xsx"}},
    {'Y',
     7,
     8,  // Y
     {"xsx.xsx", "s1sxs1s", "xs1s1sx", ".s121s.", ".xs1sx.", "..s1s..", "..s1s..", "..xsx.."}},
    {'Z',
     6,
     8,  // Z
     {"xssssx", "s1111s", "xsss1s", ".xs1sx", "xs1sx.", "s1sssx", "s1111s", "xssssx"}},
    {'[',
     4,
     8,  // left square bracket
     {"xssx", "s11s", "s1sx", "s1s.", "s1s.", "s1sx", "s11s", "xssx"}},
    {'\\',
     7,
     8,  // reverse solidus
     {"xsx....", "s1sx...", "xs1sx..", ".xs1sx.", "..xs1sx", "...xs1s", "....xsx", "......."}},
    {']',
     4,
     8,  // right square bracket
     {"xssx", "s11s", "xs1s", ".s1s", ".s1s", "xs1s", "s11s", "xssx"}},
    {'_',
     7,
     8,  // low line
     {".......", ".......", ".......", ".......", ".......", "xsssssx", "s11111s", "xsssssx"}},
    {'`',
     4,
     8,  // grave accent
     {"xsx.", "s1sx", "xs1s", ".xsx", "....", "....", "....", "...."}},
    {'a',
     6,
     8,  // a
     {"......", "......", "xssxsx", "s2121s", "s1ss1s", "s1ss1s", "s2121s", "xssxsx"}},
    {'b',
     6,
     8,  // b
     {"xsx...", "s1s...", "s1sssx", "s1212s", "s1ss1s", "s1ss1s", "s1212s", "xsxssx"}},
    {'c',
     5,
     8,  // c
     {".....", ".....", "xsssx", "s211s", "s1ssx", "s1ssx", "s211s", "xsssx"}},
    {'d',
     6,
     8,  // d
     {"...xsx", "...s1s", "xsss1s", "s2121s", "s1ss1s", "s1ss1s", "s2121s", "xssxsx"}},
    {'e',
     6,
     8,  // e
     {"......", "......", "xssssx", "s2112s", "s1111s", "s1ssss", "s2112s", "xssssx"}},
    {'f',
     6,
     8,  // f
     {".xsssx", ".s212s", ".s1ssx", "s111s.", "xs1sx.", "xs1sx.", "s111s.", "xsssx."}},
    {'g',
     6,
     9,  // g
     {"......", "......", "xssssx", "s2121s", "s1ss1s", "s2121s", "xsss1s", "s2112s", "xssssx"}},
    {'h',
     6,
     8,  // h
     {"xsx...", "s1s...", "s1sssx", "s1112s", "s1ss1s", "s1ss1s", "s1ss1s", "xsxxsx"}},
    {'i',
     5,
     8,  // i
     {".xsx.", ".s1s.", ".xsx.", ".s1s.", ".s1s.", "xs1sx", "s111s", "xsssx"}},
    {'j',
     6,
     8,  // j
     {"...xsx", "...s1s", "...xsx", "...s1s", "xsss1s", "s1ss1s", "s2112s", "xssssx"}},
    {'k',
     6,
     8,  // k
     {"xsx...", "s1s...", "s1sxsx", "s1s21s", "s11ssx", "s1s1sx", "s1ss1s", "xssssx"}},
    {'l',
     5,
     8,  // l
     {"xssx.", "s11s.", "xs1s.", ".s1s.", ".s1s.", "xs1sx", "s111s", "xsssx"}},
    {'m',
     7,
     8,  // m
     {".......", ".......", "xsssssx", "s11s12s", "s1s1s1s", "s1s1s1s", "s1sss1s", "xsxxxsx"}},
    {'n',
     6,
     8,  // n
     {"......", "......", "xssssx", "s1112s", "s1ss1s", "s1ss1s", "s1ss1s", "xsxxsx"}},
    {'o',
     6,
     8,  // o
     {"......", "......", "xssssx", "s2112s", "s1ss1s", "s1ss1s", "s2112s", "xssssx"}},
    {'p',
     6,
     9,  // p
     {"......", "......", "xssssx", "s1212s", "s1ss1s", "s1212s", "s1sssx", "s1s...", "xsx..."}},
    {'q',
     6,
     9,  // q
     {"......", "......", "xssssx", "s2121s", "s1ss1s", "s2121s", "xsss1s", "...s1s", "...xsx"}},
    {'r',
     6,
     8,  // r
     {"......", "......", "xsxssx", "s1212s", "s11s1s", "s1sxsx", "s1s...", "xsx..."}},
    {'s',
     6,
     8,  // s
     {"......", "......", "xssssx", "s1111s", "s112sx", "xs211s", "s1111s", "xssssx"}},
    {'t',
     6,
     8,  // t
     {"......", ".xsx..", "xs1ssx", "s1111s", "xs1ssx", ".s1s1s", ".s212s", ".xsssx"}},
    {'u',
     6,
     8,  // u
     {"......", "......", "xsxxsx", "s1ss1s", "s1ss1s", "s1ss1s", "s2111s", "xssssx"}},
    {'v',
     7,
     8,  // v
     {".......", ".......", "xsx.xsx", "s1s.s1s", "s1sss1s", "xs1s1sx", ".xs1sx.", "..xsx.."}},
    {'w',
     7,
     8,  // w
     {".......", ".......", "xsx.xsx", "s1sss1s", "s1s1s1s", "s1s1s1s", "xs1s1sx", ".xsxsx."}},
    {'x',
     6,
     8,  // x
     {"......", "......", "xsxxsx", "s1ss1s", "xs11sx", "xs11sx", "s1ss1s", "xsxxsx"}},
    {'y',
     6,
     9,  // y
     {"......", "......", "xsxxsx", "s1ss1s", "s1ss1s", "s2112s", "xss1sx", ".s1sx.", ".xsx.."}},
    {'z',
     6,
     8,  // z
     {"......", "......", "xssssx", "s1111s", "xss1sx", "xs1ssx", "s1111s", "xssssx"}},
    {code("Ё"),
     6,
     8,  // Ё
     {"xs1s1x", "s1111s", "s1sssx", "s1112x", "s1ssx.", "s1sssx", "s1111s", "xssssx"}},
    {code("ё"),
     6,
     8,  // ё
     {"......", ".xssx.", "xs11sx", "s2112s", "s1111s", "s1ssss", "s2112s", "xssssx"}},
    {code("Б"),
     6,
     8,  // Б
     {"xssssx", "s1112s", "s1sssx", "s1112x", "s1ss1s", "s1ss1s", "s1112s", "xssssx"}},
    {code("Г"),
     6,
     8,  // Г
     {"xssssx", "s1111s", "s1ss1x", "s1sssx", "s1s...", "s1s...", "s1s...", "xsx..."}},
    {code("Д"),
     7,
     8,  // Д
     {".xsssx.", ".s211s.", ".s1s1s.", ".s1s1s.", "xs1s1sx", "s11111s", "s1sxs1s", "xsx.xsx"}},
    {code("Ж"),
     7,
     8,  // Ж
     {"xsxsxsx", "s1s1s1s", "s1s1s1s", "xs111sx", "xs111sx", "s1s1s1s", "s1s1s1s", "xsxsxsx"}},
    {code("И"),
     7,
     8,  // И
     {"xsx.xsx", "s1sxs1s", "s1ss11s", "s1s1s1s", "s1s1s1s", "s11ss1s", "s1sxs1s", "xsx.xsx"}},
    {code("Й"),
     7,
     8,  // Й
     {"xs1s1sx", "s1s1s1s", "s1ss11s", "s1s1s1s", "s1s1s1s", "s11ss1s", "s1sxs1s", "xsx.xsx"}},
    {code("Л"),
     6,
     8,  // Л
     {".xsssx", ".s211s", ".s1s1s", ".s1s1s", ".s1s1s", "xs1s1s", "s12s1s", "xssxsx"}},
    {code("П"),
     6,
     8,  // П
     {"xssssx", "s1111s", "s1ss1s", "s1ss1s", "s1ss1s", "s1ss1s", "s1ss1s", "xsxxsx"}},
    {code("У"),
     6,
     8,  // У
     {"xsxxsx", "s1ss1s", "s1ss1s", "s2111s", "xsss1s", "xsss1s", "s2112s", "xssssx"}},
    {code("Ф"),
     7,
     8,  // Ф
     {"..xsx..", "xss1ssx", "s21112s", "s1s1s1s", "s21112s", "xss1ssx", "..s1s..", "..xsx.."}},
    {code("Ц"),
     6,
     8,  // Ц
     {"xsxxsx", "s1ss1s", "s1ss1s", "s1ss1s", "s1ss1s", "s1ss1s", "s1111s", "xsss1s"}},
    {code("Ч"),
     6,
     8,  // Ч
     {"xsxxsx", "s1ss1s", "s1ss1s", "s1ss1s", "s2111s", "xsss1s", "...s1s", "...xsx"}},
    {code("Ш"),
     7,
     8,  // Ш
     {"xsxsxsx", "s1s1s1s", "s1s1s1s", "s1s1s1s", "s1s1s1s", "s1s1s1s", "s11111s", "xsssssx"}},
    {code("Щ"),
     7,
     8,  // Щ
     {"xsxsxsx", "s1s1s1s", "s1s1s1s", "s1s1s1s", "s1s1s1s", "s1s1s1s", "s11111s", "xssss1s"}},
    {code("Ъ"),
     6,
     8,  // Ъ
     {"xssx..", "s11s..", "xs1ssx", ".s112s", ".s1s1s", ".s1s1s", ".s112s", ".xsssx"}},
    {code("Ы"),
     7,
     8,  // Ы
     {"xsx.xsx", "s1s.s1s", "s1sss1s", "s112s1s", "s1s1s1s", "s1s1s1s", "s112s1s", "xsssxsx"}},
    {code("Э"),
     6,
     8,  // Э
     {"xssssx", "s2112s", "s1ss1s", "xsss1s", "xss11s", "s1ss1s", "s2112s", "xssssx"}},
    {code("Ю"),
     7,
     8,  // Ю
     {"xsxsssx", "s1s212s", "s1s1s1s", "s111s1s", "s1s1s1s", "s1s1s1s", "s1s212s", "xsxsssx"}},
    {code("Я"),
     6,
     8,  // Я
     {"xssssx", "s2111s", "s1ss1s", "s1ss1s", "s2111s", "xs1s1s", "s1ss1s", "xsxxsx"}},
    {code("б"),
     6,
     8,  // б
     {"......", ".xssx.", "xs11s.", "s1sssx", "s1112s", "s1ss1s", "s2112s", "xssssx"}},
    {code("в"),
     6,
     8,  // в
     {"......", "......", "xssssx", "s1112s", "s1112s", "s1ss1s", "s1112s", "xssssx"}},
    {code("г"),
     6,
     8,  // г
     {"......", "......", "xssssx", "s1111s", "s1sssx", "s1s...", "s1s..s", "xsx..."}},
    {code("д"),
     7,
     8,  // д
     {".......", ".......", ".xsssx.", ".s211s.", "xs1s1sx", "s21112s", "s1sss1s", "xsxxxsx"}},
    {code("ж"),
     7,
     8,  // ж
     {".......", ".......", "xsxsxsx", "s1s1s1s", "xs111sx", "xs212sx", "s1s1s1s", "xsxsxsx"}},
    {code("з"),
     6,
     8,  // з
     {"......", "......", "xssssx", "s1112s", "xs211s", "xsss1s", "s1112s", "xssssx"}},
    {code("и"),
     6,
     8,  // и
     {"......", "......", "xsxxsx", "s1ss1s", "s1s11s", "s11s1s", "s1ss1s", "xsxxsx"}},
    {code("й"),
     6,
     8,  // й
     {"......", ".xssx.", "xs11sx", "s1ss1s", "s1s11s", "s11s1s", "s1ss1s", "xsxxsx"}},
    {code("к"),
     6,
     8,  // к
     {"......", "......", "xsxxsx", "s1s21s", "s11ssx", "s1s1sx", "s1ss1s", "xsxxsx"}},
    {code("л"),
     6,
     8,  // л
     {"......", "......", ".xsssx", ".s211s", ".s1s1s", "xs1s1s", "s12s1s", "xssxsx"}},
    {code("м"),
     7,
     8,  // м
     {".......", ".......", "xsx.xsx", "s1sxs1s", "s11s11s", "s1s1s1s", "s1sxs1s", "xsx.xsx"}},
    {code("н"),
     6,
     8,  // н
     {"......", "......", "xsxxsx", "s1ss1s", "s1111s", "s1ss1s", "s1ss1s", "xsxxsx"}},
    {code("п"),
     6,
     8,  // п
     {"......", "......", "xssssx", "s1111s", "s1ss1s", "s1ss1s", "s1ss1s", "xsxxsx"}},
    {code("т"),
     5,
     8,  // т
     {".....", ".....", "xsssx", "s111s", "xs1sx", ".s1s.", ".s1s.", ".xsx."}},
    {code("у"),
     6,
     8,  // у
     {"......", "......", "xsxxsx", "s1ss1s", "s2111s", "xsss1s", "s2112s", "xssssx"}},
    {code("ф"),
     7,
     8,  // ф
     {".......", "..xsx..", "xss1ssx", "s21112s", "s1s1s1s", "s21112s", "xss1ssx", "..xsx.."}},
    {code("ц"),
     6,
     8,  // ц
     {"......", "......", "xsxsx.", "s1s1s.", "s1s1s.", "s1s1sx", "s1111s", "xsss1x"}},
    {code("ч"),
     6,
     8,  // ч
     {"......", "......", "xsxxsx", "s1ss1s", "s1ss1s", "s2111s", "xsss1s", "...xsx"}},
    {code("ш"),
     7,
     8,  // ш
     {".......", ".......", "xsxsxsx", "s1s1s1s", "s1s1s1s", "s1s1s1s", "s11111s", "xsssssx"}},
    {code("щ"),
     7,
     8,  // щ
     {".......", ".......", "xsxsxsx", "s1s1s1s", "s1s1s1s", "s1s1s1s", "s11111s", "xssss1s"}},
    {code("ъ"),
     6,
     8,  // ъ
     {"......", "......", "xssx..", "s12ssx", "xs112s", ".s1s1s", ".s112s", ".xsssx"}},
    {code("ы"),
     7,
     8,  // ы
     {".......", ".......", "xsxxxsx", "s1sss1s", "s112s1s", "s1s1s1s", "s112s1s", "xsssxsx"}},
    {code("ь"),
     5,
     8,  // ь
     {".....", ".....", "xsx..", "s1ssx", "s112s", "s1s1s", "s112s", "xsssx"}},
    {code("э"),
     6,
     8,  // э
     {"......", "xssssx", "s2112s", "s1ss1s", "xss11s", "s1s21s", "s2112s", "xssssx"}},
    {code("ю"),
     7,
     8,  // ю
     {".......", ".......", "xsxsssx", "s1s212s", "s111s1s", "s1s1s1s", "s1s212s", "xsxssss"}},
    {code("я"),
     6,
     8,  // я
     {"......", "......", "xssssx", "s2111s", "s1ss1s", "xs111s", "s1ss1s", "xssssx"}},
}};

// Cyrillic letters drawn with the glyph of a Latin letter or digit of the same look.
constexpr std::array<std::array<int, 2>, 19> aliases = {{
    {code("А"), 'A'}, {code("В"), 'B'}, {code("Е"), 'E'}, {code("З"), '3'}, {code("К"), 'K'},
    {code("М"), 'M'}, {code("Н"), 'H'}, {code("О"), 'O'}, {code("Р"), 'P'}, {code("С"), 'C'},
    {code("Т"), 'T'}, {code("Х"), 'X'}, {code("Ь"), 'b'}, {code("а"), 'a'}, {code("е"), 'e'},
    {code("о"), 'o'}, {code("р"), 'p'}, {code("с"), 'c'}, {code("х"), 'x'},
}};

static_assert(art_is_well_formed(font));

// Index into `font` for every code; codes without a glyph share the space's blank (index 0).
consteval std::array<unsigned char, 256> make_glyph_index() {
  std::array<unsigned char, 256> index{};
  for (std::size_t i = 0; i < font.size(); ++i) {
    if (font[i].key < 0 || font[i].key > 255 || index[std::size_t(font[i].key)] != 0) throw "key";
    index[std::size_t(font[i].key)] = static_cast<unsigned char>(i);
  }
  for (const auto& [alias, target] : aliases) {
    if (index[std::size_t(alias)] != 0 || index[std::size_t(target)] == 0) throw "alias";
    index[std::size_t(alias)] = index[std::size_t(target)];
  }
  return index;
}

constexpr std::array<unsigned char, 256> glyph_index = make_glyph_index();

static_assert(font[0].key == ' ' && font[0].width == 5 && font[0].height == 8);
static_assert(std::count(glyph_index.begin(), glyph_index.end(), 0) == 256 - 133 - 19 + 1,
              "every code without a glyph of its own or an alias takes the blank");

}  // namespace

ArtEntry select_glyph(unsigned char c) {
  return font[glyph_index[c]].entry();
}

}  // namespace text
