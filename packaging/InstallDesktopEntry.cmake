# Run when installing: writes the launcher entry with the full path of the installed widgethost link,
# which only the install step knows (`cmake --install --prefix` may choose another prefix).
# In: TEMPLATE, OUTPUT (a scratch file), DESTINATION (below the prefix), BINDIR, TALLYFOX_ICON_NAME.

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
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${DESTINATION}" TYPE FILE FILES "${OUTPUT}")
