# fatura_add_test(<name> SOURCES <files...> [LIBS <targets...>] [GUI])
# Builds a Qt Test executable and registers it with CTest. Every test runs offscreen
# with a fixed locale, so results never depend on the machine's display or language.
function(fatura_add_test name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE fatura_invoice Qt6::Test ${ARG_LIBS})
  # Tests sit above every layer and share helpers under tests/.
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE fatura_gui)
  endif()
  target_compile_definitions(${name} PRIVATE
    FATURA_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    FATURA_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;LC_ALL=C.UTF-8;TZ=Europe/Istanbul"
    TIMEOUT 300)
endfunction()
