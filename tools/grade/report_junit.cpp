// junit.xml: a suite per student, a test case per picture and size; a
// picture that differs is a failure, one that could not be made (the build
// or the run failed) an error, with the compiler's or the run's message.
#include "tools/grade/report_gradebook.hpp"
#include "tools/compare/compare.hpp"
#include "tools/compare/junit_xml.hpp"

namespace {

JunitCase picture_case(const StudentResult& student, std::size_t s, const PictureSize& size, int number)
{
    JunitCase test;
    test.name = (number < 10 ? "0" : "") + std::to_string(number) + " " + picture_title(number) + " (" + size.text() + ")";
    test.class_name = student.name;
    const Status status = picture_status(student, s, number);
    if (status == Status::identical) return test;
    if (status == Status::differs) {
        const long long differing = student.sizes[s].differing[static_cast<std::size_t>(number - 1)];
        test.outcome = JunitCase::Outcome::failed;
        test.message = std::to_string(differing) + (differing == 1 ? " pixel differs" : " pixels differ");
        return test;
    }
    test.outcome = JunitCase::Outcome::error;
    test.message = status_name(status);
    test.details = student.built ? student.sizes[s].message : student.build_message;
    return test;
}

}  // namespace

std::string grades_junit(const ReportPage& page)
{
    std::vector<JunitSuite> suites;
    for (const StudentResult& student : page.students) {
        JunitSuite suite{student.name, {}};
        for (std::size_t s = 0; s < page.sizes.size(); ++s)
            for (int number = 1; number <= picture_count; ++number)
                suite.cases.push_back(picture_case(student, s, page.sizes[s], number));
        suites.push_back(suite);
    }
    return junit_xml("surfgrade " + page.class_name, suites);
}
