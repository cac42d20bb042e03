// Writing JUnit XML.  Counts are given on every level, as the CI services
// read them from either.
#include "tools/compare/junit_xml.hpp"

namespace {

const char* replacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the valid UTF-8 sequence at `i`, or 0.
std::size_t utf8_length(const std::string& text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned long code = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, code = lead & 0x07;
    else return 0;
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates, beyond U+10FFFF and the two non-characters XML refuses.
    const unsigned long least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF || code == 0xFFFE ||
        code == 0xFFFF)
        return 0;
    return length;
}

struct Counts {
    int tests = 0, failures = 0, errors = 0;
    void add(const Counts& other)
    {
        tests += other.tests;
        failures += other.failures;
        errors += other.errors;
    }
    std::string attributes() const
    {
        return " tests=\"" + std::to_string(tests) + "\" failures=\"" + std::to_string(failures) + "\" errors=\"" +
               std::to_string(errors) + "\"";
    }
};

Counts count(const JunitSuite& suite)
{
    Counts counts;
    for (const JunitCase& test : suite.cases) {
        ++counts.tests;
        counts.failures += test.outcome == JunitCase::Outcome::failed;
        counts.errors += test.outcome == JunitCase::Outcome::error;
    }
    return counts;
}

std::string test_case(const JunitCase& test)
{
    std::string xml = "    <testcase name=\"" + xml_text(test.name) + "\" classname=\"" + xml_text(test.class_name) + "\"";
    if (test.outcome == JunitCase::Outcome::passed) return xml + "/>\n";
    const char* tag = test.outcome == JunitCase::Outcome::failed ? "failure" : "error";
    xml += ">\n      <" + std::string(tag) + " message=\"" + xml_text(test.message) + "\">" + xml_text(test.details) +
           "</" + tag + ">\n";
    return xml + "    </testcase>\n";
}

}  // namespace

std::string xml_text(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8_length(text, i);
        const char c = text[i];
        if (length == 0) {
            out += replacement;
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(text, i, length);
            i += length;
            continue;
        }
        ++i;
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        case '\n': out += "&#10;"; break;  // kept in attributes too
        case '\t': out += "&#9;"; break;
        case '\r': out += "&#13;"; break;
        default: out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? replacement : std::string(1, c);
        }
    }
    return out;
}

std::string junit_xml(const std::string& name, const std::vector<JunitSuite>& suites)
{
    Counts total;
    std::string body;
    for (const JunitSuite& suite : suites) {
        const Counts counts = count(suite);
        total.add(counts);
        body += "  <testsuite name=\"" + xml_text(suite.name) + "\"" + counts.attributes() + ">\n";
        for (const JunitCase& test : suite.cases) body += test_case(test);
        body += "  </testsuite>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"" + xml_text(name) + "\"" +
           total.attributes() + ">\n" + body + "</testsuites>\n";
}
