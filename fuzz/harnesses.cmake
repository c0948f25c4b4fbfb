# The fuzz harnesses, one fuzz_<name>.cpp each. The fuzz build links them with
# libFuzzer; the test build links them with standalone_runner.cpp to replay
# tests/regressions/<name>/. The .xls harnesses link the .xls reader; the
# others link the .xlsx reader too (and the engine, whose decryption of
# encrypted packages xlsx_workbook reaches), the .xlsb ones the .xlsb
# reader, and the .ods ones the .ods reader. Harnesses may use the test support (tests/support/).
set(TABULOX_FUZZ_XLS_HARNESSES
  xls_workbook
  shared_strings
  number_format
)
set(TABULOX_FUZZ_OOXML_HARNESSES zip_reader xml_reader xlsx_workbook)
set(TABULOX_FUZZ_XLSB_HARNESSES xlsb_workbook)
set(TABULOX_FUZZ_ODS_HARNESSES ods_workbook)

# Adds the executable `target` from the harness `harness` and `extra_sources`.
function(tabulox_add_harness target harness)
  add_executable(${target} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/fuzz_${harness}.cpp ${ARGN})
  target_link_libraries(${target} PRIVATE tabulox_xls)
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../tests)
  if(harness IN_LIST TABULOX_FUZZ_OOXML_HARNESSES)
    target_link_libraries(${target} PRIVATE tabulox_ooxml tabulox_engine)
    target_include_directories(${target} PRIVATE ${PROJECT_BINARY_DIR}/folder-includes/engine)
  endif()
  if(harness IN_LIST TABULOX_FUZZ_XLSB_HARNESSES)
    target_link_libraries(${target} PRIVATE tabulox_xlsb)
  endif()
  if(harness IN_LIST TABULOX_FUZZ_ODS_HARNESSES)
    target_link_libraries(${target} PRIVATE tabulox_ods)
  endif()
endfunction()
