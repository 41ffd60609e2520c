# Windows build: Update.exe, the adapter tests that run under Wine, the demo packages and the kit.
enable_language(RC)

# Static runtime: the import table names only DLLs that Windows always loads from the system
# folder. Everything else is loaded at run time, after the DLL search has been restricted.
set(TSY_WIN_LINK -static -static-libgcc -static-libstdc++)
set(TSY_WIN_LIBS shell32 ole32 oleaut32 uuid advapi32 user32 gdi32 comdlg32 shlwapi kernel32)

file(GLOB TSY_WIN_ADAPTERS CONFIGURE_DEPENDS src/platform/win32/*.cpp src/wizard/win32/*.cpp)
add_library(tsywin STATIC ${TSY_WIN_ADAPTERS})
target_link_libraries(tsywin PUBLIC tsycore)
target_compile_definitions(tsywin PUBLIC WINVER=0x0601 _WIN32_WINNT=0x0601 NOMINMAX
                                         WIN32_LEAN_AND_MEAN)

file(GLOB TSY_APP_SOURCES CONFIGURE_DEPENDS src/app/*.cpp src/app/*.rc)
add_executable(Update WIN32 ${TSY_APP_SOURCES})
target_link_libraries(Update PRIVATE tsywin ${TSY_WIN_LIBS})
target_link_options(Update PRIVATE -static -static-libgcc -static-libstdc++)

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
  target_link_libraries(win32_tests PRIVATE tsywin gtest gtest_main ${TSY_WIN_LIBS})
  target_link_options(win32_tests PRIVATE -static -static-libgcc -static-libstdc++)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/packages/CMakeLists.txt)
  add_subdirectory(packages)
endif()
