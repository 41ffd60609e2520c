# Windows build: Update.exe, the adapter tests that run under Wine, the demo packages and the kit.
enable_language(RC)

# Static runtime: the import table names only DLLs that Windows always loads from the system
# folder. Everything else is loaded at run time, after the DLL search has been restricted.
set(TSY_WIN_LINK -static -static-libgcc -static-libstdc++)

# The setup is downloaded by every customer: keep only the code that is reached.
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)
set(TSY_WIN_LIBS shell32 ole32 oleaut32 uuid advapi32 user32 gdi32 comdlg32 shlwapi kernel32)

file(GLOB TSY_WIN_ADAPTERS CONFIGURE_DEPENDS src/platform/win32/*.cpp src/wizard/win32/*.cpp)
add_library(tsywin STATIC ${TSY_WIN_ADAPTERS})
# The adapters need only the interface headers, so their tests build apart from the logic.
target_include_directories(tsywin PUBLIC src)
# UNICODE: a generic Win32 name compiles to the wide function, so that an ANSI call (which would
# lose every character outside the system code page) cannot come back unnoticed.
target_compile_definitions(tsywin PUBLIC WINVER=0x0601 _WIN32_WINNT=0x0601 NOMINMAX
                                         WIN32_LEAN_AND_MEAN UNICODE _UNICODE)

# The program icon is drawn by our own script at build time; the resource script finds it, and
# the manifest copied beside it, through the include path.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(TSY_APP_GENERATED ${CMAKE_BINARY_DIR}/app)
add_custom_command(OUTPUT ${TSY_APP_GENERATED}/update.ico
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TSY_APP_GENERATED}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/src/app/make_icon.py ${TSY_APP_GENERATED}/update.ico
  DEPENDS ${CMAKE_SOURCE_DIR}/src/app/make_icon.py
  COMMENT "Drawing the program icon")
# TSY_ANSI_MANIFEST builds the program without the manifest's UTF-8 code page, as every Windows
# before 10 1903 runs it: for testing under a double-byte system code page only.
option(TSY_ANSI_MANIFEST "Leave the UTF-8 active code page out of the manifest (tests only)" OFF)
file(READ ${CMAKE_SOURCE_DIR}/src/app/update.manifest TSY_MANIFEST)
if(TSY_ANSI_MANIFEST)
  string(REGEX REPLACE "[ ]*<activeCodePage[^\n]*\n" "" TSY_MANIFEST "${TSY_MANIFEST}")
endif()
file(CONFIGURE OUTPUT ${TSY_APP_GENERATED}/update.manifest CONTENT "${TSY_MANIFEST}" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/app/update.manifest)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/app/update.rc PROPERTIES
  OBJECT_DEPENDS "${TSY_APP_GENERATED}/update.ico;${TSY_APP_GENERATED}/update.manifest")

file(GLOB TSY_APP_SOURCES CONFIGURE_DEPENDS src/app/*.cpp src/app/*.rc)
add_executable(Update WIN32 ${TSY_APP_SOURCES})
target_include_directories(Update PRIVATE ${TSY_APP_GENERATED})
target_link_libraries(Update PRIVATE tsywin tsycore ${TSY_WIN_LIBS})
target_link_options(Update PRIVATE -static -static-libgcc -static-libstdc++)
# The program starts no thread of its own. The C++ runtime of the POSIX-threads compilers (which
# GoogleTest needs for std::mutex) locks its exception pool and static locals through the
# winpthreads library, about 27 KB of the shipped file; the same compiler's runtime built for
# Windows threads does that with the system's own calls. The program's objects name no thread
# function of either, so it links against that runtime when the compiler is there.
string(REPLACE "-posix" "-win32" TSY_WIN32_THREADS_CXX "${CMAKE_CXX_COMPILER}")
if(NOT TSY_WIN32_THREADS_CXX STREQUAL CMAKE_CXX_COMPILER)
  execute_process(COMMAND ${TSY_WIN32_THREADS_CXX} -print-file-name=libstdc++.a
                  OUTPUT_VARIABLE TSY_WIN32_THREADS_LIB OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET)
  if(IS_ABSOLUTE "${TSY_WIN32_THREADS_LIB}" AND EXISTS "${TSY_WIN32_THREADS_LIB}")
    get_filename_component(TSY_WIN32_THREADS_DIR "${TSY_WIN32_THREADS_LIB}" DIRECTORY)
    # Searched before the compiler's own folder: libstdc++, libgcc and libgcc_eh come from here.
    target_link_directories(Update BEFORE PRIVATE ${TSY_WIN32_THREADS_DIR})
  endif()
endif()

# GoogleTest built from its sources with the same toolchain.
if(EXISTS /usr/src/googletest/CMakeLists.txt AND NOT TARGET gtest)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

file(GLOB TSY_WIN_TEST_SOURCES CONFIGURE_DEPENDS tests/win32/*.cpp)
if(TSY_WIN_TEST_SOURCES)
  add_executable(win32_tests ${TSY_WIN_TEST_SOURCES})
  target_include_directories(win32_tests PRIVATE tests)
  target_link_libraries(win32_tests PRIVATE tsywin tsycore gtest gtest_main ${TSY_WIN_LIBS})
  target_link_options(win32_tests PRIVATE -static -static-libgcc -static-libstdc++)

endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/packages/CMakeLists.txt)
  add_subdirectory(packages)
endif()

# The end-to-end helper (tests/e2e): starts the setup inside Wine, answers and records its
# message boxes, and reads folders, product states and settings as the setup sees them.
add_executable(e2e_driver tests/e2e/driver.cpp)
target_link_libraries(e2e_driver PRIVATE msi shell32 user32 gdi32 advapi32)
target_link_options(e2e_driver PRIVATE ${TSY_WIN_LINK})
set_target_properties(e2e_driver PROPERTIES OUTPUT_NAME driver RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/e2e)
# Planted beside the setup by the end-to-end rows, under a system DLL's name; built with the driver.
add_library(e2e_planted SHARED tests/e2e/planted.c)
set_target_properties(e2e_planted PROPERTIES PREFIX "" OUTPUT_NAME planted RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/e2e)
add_dependencies(e2e_driver e2e_planted)
