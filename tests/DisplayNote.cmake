# Run by ctest after the tests (CTestCustom.cmake): says why the screen
# tests were skipped.
if("$ENV{DISPLAY}" STREQUAL "")
    message("Tests labelled xvfb skip without an X display; the test command starts Xvfb.")
endif()
