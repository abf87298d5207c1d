// The filter fields of the record-file viewer as the operator typed them, and the settings a
// view depends on. Plain data: the viewer window fills it, RecordView reads it.
#pragma once

#include <string>

struct ViewFilter {
  std::string cardFrom;     // lower bound of the card (or employee-number) range; "" = no range
  std::string cardTo;       // upper bound
  std::string clock;        // clock number: "2" matches "2" and "02"
  std::string date;         // date exactly as the file writes it
  std::string firstRecord;  // record-number window over the matching lines
  std::string lastRecord;
  std::string reader;
  std::string groupFrom;  // card-table group bounds; "" = no group filter
  std::string groupTo;
};

struct ViewSettings {
  bool employeeNumbers = false;  // ModoLegajo 1: field 1 is the employee number
  bool touch = false;            // the current clock numbers its cards in hexadecimal
  bool virtualNames = false;     // ModoVirtual 1: the description column shows the holder's name
  std::string clockOpenText;     // message 275, the line that marks a clock left open
};
