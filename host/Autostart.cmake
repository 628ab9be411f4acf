# Starting the widgets with the user's session: `widgethost autostart on|off|status` writes and
# removes a desktop entry in the XDG autostart folder. Kept apart from the host's command line so
# that the command line only hands it the words after "autostart".
add_library(tallyfox_autostart STATIC Autostart.cpp)
tallyfox_warnings(tallyfox_autostart)
# The host links the platform as the one shared library; so does this part of it.
target_link_libraries(tallyfox_autostart PUBLIC TallyfoxPlatform)

tallyfox_test(autostart_tests
  SOURCES AutostartTests.cpp
  LIBRARIES tallyfox_autostart)
