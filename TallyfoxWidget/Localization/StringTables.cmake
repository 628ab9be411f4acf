# The widget's string tables: one gettext catalog per language in Resources/po, checked and compiled
# into the extension's bundle as <language>/LC_MESSAGES/TallyfoxWidget.mo.
find_program(TALLYFOX_MSGFMT msgfmt REQUIRED)

set(TALLYFOX_WIDGET_LANGUAGES de en es fr nl uz pt tr kk ru he ja ko)
set(TALLYFOX_PO_DIR "${CMAKE_CURRENT_SOURCE_DIR}/Resources/po")

add_executable(stringtable_check "${CMAKE_CURRENT_LIST_DIR}/CatalogCheck.cpp")
tallyfox_warnings(stringtable_check)
target_include_directories(stringtable_check PRIVATE "${PROJECT_SOURCE_DIR}")

set(TALLYFOX_WIDGET_CATALOGS)
foreach(language IN LISTS TALLYFOX_WIDGET_LANGUAGES)
  set(po "${TALLYFOX_PO_DIR}/${language}.po")
  set(mo "${TALLYFOX_APPEX_RESOURCES_DIR}/${language}/LC_MESSAGES/TallyfoxWidget.mo")
  add_custom_command(OUTPUT "${mo}"
    COMMAND stringtable_check "${po}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${TALLYFOX_APPEX_RESOURCES_DIR}/${language}/LC_MESSAGES"
    COMMAND "${TALLYFOX_MSGFMT}" --check -o "${mo}" "${po}"
    DEPENDS "${po}" stringtable_check
    COMMENT "Compiling the ${language} string table"
    VERBATIM)
  list(APPEND TALLYFOX_WIDGET_CATALOGS "${mo}")
endforeach()
add_custom_target(TallyfoxWidgetStrings ALL DEPENDS ${TALLYFOX_WIDGET_CATALOGS})
