# Native Linux build: the unit suite against the recording fake of the OS.
find_package(GTest REQUIRED)
file(GLOB TSY_SUPPORT_SOURCES CONFIGURE_DEPENDS tests/support/*.cpp)
file(GLOB TSY_UNIT_SOURCES CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(unit_tests ${TSY_UNIT_SOURCES} ${TSY_SUPPORT_SOURCES})
target_include_directories(unit_tests PRIVATE tests)
target_link_libraries(unit_tests PRIVATE tsycore GTest::gtest GTest::gtest_main)
include(GoogleTest)
add_test(NAME unit_tests COMMAND unit_tests)

