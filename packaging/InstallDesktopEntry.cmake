# Run when installing: writes the launcher entry with the full path of the installed widgethost link,
# which only the install step knows (`cmake --install --prefix` may choose another prefix).
# In: TEMPLATE, SCRATCH (a folder of the build), DESTINATION (below the prefix), BINDIR, TALLYFOX_ICON_NAME.

set(program "${CMAKE_INSTALL_PREFIX}/${BINDIR}/widgethost")
# A string value keeps a backslash as two.
string(REPLACE "\\" "\\\\" TALLYFOX_WIDGETHOST_TRYEXEC "${program}")
# An Exec argument with a reserved character is quoted, and `"`, `` ` ``, `$` and `\` inside the
# quotes take a backslash; then the value's own escaping doubles every backslash. `%` is doubled
# so that it is not read as a field code.
set(exec "${program}")
string(REPLACE "%" "%%" exec "${exec}")
if(exec MATCHES "[ \t\"'\\\\><~|&;$*?#()`]")
  string(REPLACE "\\" "\\\\\\\\" exec "${exec}")
  string(REPLACE "\"" "\\\\\"" exec "${exec}")
  string(REPLACE "`" "\\\\`" exec "${exec}")
  string(REPLACE "$" "\\\\$" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
set(TALLYFOX_WIDGETHOST_EXEC "${exec}")

# One scratch file per destination, so that installs into two prefixes at once (a test beside a
# package build) do not write the same file.
string(MD5 destination_hash "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
get_filename_component(name "${TEMPLATE}" NAME_WLE)
set(entry "${SCRATCH}/${destination_hash}/${name}")
file(READ "${TEMPLATE}" text)
string(CONFIGURE "${text}" text @ONLY)
file(WRITE "${entry}" "${text}")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${DESTINATION}" TYPE FILE FILES "${entry}")
