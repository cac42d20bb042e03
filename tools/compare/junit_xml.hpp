// JUnit XML, the test report that CI services read to show which checks
// failed: suites of test cases, each passed, failed (a wrong result) or in
// error (it could not be checked at all).
#pragma once

#include <string>
#include <vector>

struct JunitCase {
    enum class Outcome { passed, failed, error };
    std::string name;
    std::string class_name;
    Outcome outcome = Outcome::passed;
    std::string message;  // one line, for a failure or an error
    std::string details;  // any lines, shown below it
};

struct JunitSuite {
    std::string name;
    std::vector<JunitCase> cases;
};

// Text for XML: markup characters as entities; characters XML cannot hold
// (control characters, broken UTF-8) as U+FFFD, so that any student's
// folder name or compiler message leaves the file readable.
std::string xml_text(const std::string& text);

// The whole file: a <testsuites> element named `name` around the suites.
std::string junit_xml(const std::string& name, const std::vector<JunitSuite>& suites);
