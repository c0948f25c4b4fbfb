# The fuzz harnesses, one fuzz_<name>.cpp each. The fuzz build links them with
# libFuzzer; the test build links them with standalone_runner.cpp to replay
# tests/regressions/<name>/.
set(TABULOX_FUZZ_HARNESSES
  xls_workbook
  shared_strings
  number_format
  zip_reader
)
