chcp 65001
del /f /q "/g/game\roms\temp.wad"
copy /y "/w/50%%off.wad" "/g/game\roms\temp.wad"
