# String tables at build time: gettext catalogs checked by stringtable_check (placeholders equal to
# their key's, plural entries that fit the catalog's Plural-Forms rule) and compiled with msgfmt into
# <destination>/<language>/LC_MESSAGES/<table>.mo, the layout the platform's lookup reads. Every
# program with a string table of its own (the widget extension, the widget host) compiles it here.
find_program(TALLYFOX_MSGFMT msgfmt REQUIRED)

add_executable(stringtable_check "${CMAKE_CURRENT_LIST_DIR}/StringTableCheck.cpp")
tallyfox_warnings(stringtable_check)
target_include_directories(stringtable_check PRIVATE "${PROJECT_SOURCE_DIR}")

# tallyfox_string_tables(<target> TABLE <name> SOURCE_DIR <folder of the .po files>
#                        DESTINATION <folder> LANGUAGES <language>...)
# Adds <target>, built by default, which checks and compiles <SOURCE_DIR>/<language>.po for each
# language.
function(tallyfox_string_tables target)
  cmake_parse_arguments(ARG "" "TABLE;SOURCE_DIR;DESTINATION" "LANGUAGES" ${ARGN})
  set(catalogs)
  foreach(language IN LISTS ARG_LANGUAGES)
    set(po "${ARG_SOURCE_DIR}/${language}.po")
    set(folder "${ARG_DESTINATION}/${language}/LC_MESSAGES")
    set(mo "${folder}/${ARG_TABLE}.mo")
    add_custom_command(OUTPUT "${mo}"
      COMMAND stringtable_check "${po}"
      COMMAND "${CMAKE_COMMAND}" -E make_directory "${folder}"
      COMMAND "${TALLYFOX_MSGFMT}" --check -o "${mo}" "${po}"
      DEPENDS "${po}" stringtable_check
      COMMENT "Compiling the ${language} string table of ${ARG_TABLE}"
      VERBATIM)
    list(APPEND catalogs "${mo}")
  endforeach()
  add_custom_target(${target} ALL DEPENDS ${catalogs})
endfunction()
