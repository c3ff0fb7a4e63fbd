# Registers one Qt Test executable per tests/<area>/tst_<name>.cpp. Test names are <area>_<name>;
# every test runs on the offscreen platform so that pixmaps and widgets work without a display.
function(vextor_add_test source)
  get_filename_component(name ${source} NAME_WE)
  get_filename_component(dir ${source} DIRECTORY)
  get_filename_component(area ${dir} NAME)
  string(REGEX REPLACE "^tst_" "" short ${name})
  set(target test_${area}_${short})
  add_executable(${target} ${source})
  target_link_libraries(${target} PRIVATE vextor_ui vextor_clitool vextor_simulator Qt5::Test)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${target} PRIVATE VEXTOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VEXTOR_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${area}_${short} COMMAND ${target})
  set(env "QT_QPA_PLATFORM=offscreen")
  if(VEXTOR_SANITIZE)
    # The offscreen platform plugin leaks its screen objects at exit; those are not ours.
    list(APPEND env "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
  endif()
  set_tests_properties(${area}_${short} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()
