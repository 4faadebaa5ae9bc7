# What a release carries, made at configure time into build/generated: the version header
# (one version, the project's), the third-party notices (from third_party/licenses/LIBRARIES)
# and, in the Windows build, the application icon made from src/app/icon.png.
set(GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/cmake/Version.h.in ${GENERATED_DIR}/Version.h @ONLY)
target_include_directories(testbank_core PUBLIC ${GENERATED_DIR})

set(NOTICES ${GENERATED_DIR}/THIRD-PARTY-NOTICES.txt)
set(LIBRARIES_LIST ${CMAKE_SOURCE_DIR}/third_party/licenses/LIBRARIES)
file(STRINGS ${LIBRARIES_LIST} library_lines REGEX "^[^#]")
set(rule "========================================================================")
string(CONCAT notices "Testbank Editor ${PROJECT_VERSION}: third-party notices\n\n"
  "TestbankEditor.exe and testbank.exe contain the following libraries, linked statically.\n"
  "Each is given with its version and the licence it is distributed under.\n")
set(configure_inputs ${LIBRARIES_LIST})
foreach(line IN LISTS library_lines)
  string(REPLACE "|" ";" fields "${line}")
  list(GET fields 0 name)
  list(GET fields 1 version)
  list(GET fields 2 role)
  list(GET fields 3 licence)
  file(READ ${CMAKE_SOURCE_DIR}/${licence} text)
  list(APPEND configure_inputs ${CMAKE_SOURCE_DIR}/${licence})
  string(APPEND notices "\n${rule}\n${name} ${version}: ${role}\n${rule}\n\n${text}")
endforeach()
# Written beside and copied when different, so an unchanged list rebuilds nothing.
file(WRITE ${NOTICES}.new "${notices}")
configure_file(${NOTICES}.new ${NOTICES} COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${configure_inputs})

if(WIN32)
  # Explorer's and the shortcut's icon; the windows themselves keep the logo-or-stock rule.
  find_program(CONVERT convert REQUIRED)
  set(APP_ICON ${GENERATED_DIR}/TestbankEditor.ico)
  # 16 to 48 as bitmaps, 256 as a PNG inside, as Windows expects; no time stamps.
  add_custom_command(OUTPUT ${APP_ICON}
    COMMAND ${CONVERT} ${CMAKE_SOURCE_DIR}/src/app/icon.png -define icon:auto-resize=256,48,32,16 -strip
            -define png:exclude-chunks=date,time ${APP_ICON}
    DEPENDS ${CMAKE_SOURCE_DIR}/src/app/icon.png VERBATIM)
endif()
