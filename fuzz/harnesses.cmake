# The fuzz harnesses, one fuzz_<name>.cpp each. The fuzz build links them with
# libFuzzer; the test build links them with standalone_runner.cpp to replay
# tests/regressions/<name>/. The .xls harnesses link the engine alone; the
# others link the .xlsx engine too, and the XML and .xlsx ones exist once
# their units do.
set(TABULOX_FUZZ_XLS_HARNESSES
  xls_workbook
  shared_strings
  number_format
)
set(TABULOX_FUZZ_OOXML_HARNESSES zip_reader)
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/../ooxml/xml_document.h)
  list(APPEND TABULOX_FUZZ_OOXML_HARNESSES xml_reader)
endif()
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/../ooxml/convert_xlsx_workbook.h)
  list(APPEND TABULOX_FUZZ_OOXML_HARNESSES xlsx_workbook)
endif()

# Adds the executable `target` from the harness `harness` and `extra_sources`.
function(tabulox_add_harness target harness)
  add_executable(${target} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/fuzz_${harness}.cpp ${ARGN})
  target_link_libraries(${target} PRIVATE tabulox_xls)
  if(harness IN_LIST TABULOX_FUZZ_OOXML_HARNESSES)
    target_link_libraries(${target} PRIVATE tabulox_ooxml)
  endif()
endfunction()
