# The host's own texts (menu, editor, the lines `show` prints): its string table in Resources/po,
# checked and compiled into share/locale/<language>/LC_MESSAGES/widgethost.mo above the folder of the
# executable, where `hostText` finds it in the build and, mirrored, in the installed tree.
set(TALLYFOX_HOST_LANGUAGES de en es fr nl uz pt tr kk ru he ja ko)
tallyfox_string_tables(widgethost_string_tables TABLE widgethost SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/Resources/po"
  DESTINATION "${TALLYFOX_HOST_STRING_TABLES_DIR}" LANGUAGES ${TALLYFOX_HOST_LANGUAGES})

# The lookup, without GTK, so that it is tested alone.
add_library(widgethost_strings STATIC "${CMAKE_CURRENT_LIST_DIR}/HostStrings.cpp")
tallyfox_warnings(widgethost_strings)
target_link_libraries(widgethost_strings PUBLIC TallyfoxPlatform)
add_dependencies(widgethost_strings widgethost_string_tables)

tallyfox_test(widgethost_strings_tests
  SOURCES "${CMAKE_CURRENT_LIST_DIR}/HostStringsTests.cpp"
  LIBRARIES widgethost_strings)
if(TARGET widgethost_strings_tests)
  add_dependencies(widgethost_strings_tests stringtable_check)
  target_compile_definitions(widgethost_strings_tests PRIVATE
    TALLYFOX_HOST_STRING_TABLES_DIR="${TALLYFOX_HOST_STRING_TABLES_DIR}"
    TALLYFOX_STRINGTABLE_CHECK="$<TARGET_FILE:stringtable_check>"
    TALLYFOX_SOURCE_DIR_FALLBACK="${PROJECT_SOURCE_DIR}")
endif()
