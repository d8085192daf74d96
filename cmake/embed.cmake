# Turns a binary file into a C++ source holding its bytes: cmake -DIN=f -DOUT=f.cpp -DNAME=sym -P embed.cmake
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" len)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUT}" "#include <cstddef>\nextern const unsigned char ${NAME}[];\nextern const std::size_t ${NAME}Size;\nconst unsigned char ${NAME}[] = {${bytes}};\nconst std::size_t ${NAME}Size = sizeof(${NAME});\n")
