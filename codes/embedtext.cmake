# Turns a text file into a C++ raw string literal (cmake -DIN=<file> -DOUT=<file> -P embedtext.cmake).
# The text is kept byte for byte: leading and trailing blanks of every line included.
file(READ "${IN}" content)
file(WRITE "${OUT}.tmp" "R\"OUTLINE(${content})OUTLINE\"\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
