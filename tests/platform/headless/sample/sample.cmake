# Runs the paced sample program end to end: through a runner program made by
# quorvane_add_headless_runner, and through the process entry with
# QUORVANE_SCENARIO.
set(sample_dir ${CMAKE_CURRENT_LIST_DIR})
set(sample_out ${CMAKE_BINARY_DIR}/headless-sample)
file(MAKE_DIRECTORY ${sample_out} ${sample_out}/entry)

add_library(quorvane_sample_program STATIC ${sample_dir}/sample_program.cpp
                                           ${sample_dir}/../paced_program.cpp)
target_include_directories(quorvane_sample_program PRIVATE ${sample_dir}/..)
target_link_libraries(quorvane_sample_program PUBLIC quorvane_platform)

quorvane_add_headless_runner(quorvane_sample_runner quorvane_sample_program)

add_executable(quorvane_sample_game ${sample_dir}/sample_program.cpp)
target_include_directories(quorvane_sample_game PRIVATE ${sample_dir}/..)
target_link_libraries(quorvane_sample_game PRIVATE quorvane_sample_program quorvane_platform_main)

add_test(NAME HeadlessRunnerProgram.RunsTheSampleScenario
         COMMAND quorvane_sample_runner --out ${sample_out} --log ${sample_out}/sample.log
                 ${sample_dir}/scenario.txt)
add_test(NAME HeadlessRunnerProgram.DrivesTheFailurePath
         COMMAND quorvane_sample_runner ${sample_dir}/failing.txt)
add_test(NAME HeadlessRunnerProgram.RefusesAMissingScenario
         COMMAND quorvane_sample_runner ${sample_dir}/no-such-scenario.txt)
set_tests_properties(HeadlessRunnerProgram.RefusesAMissingScenario PROPERTIES WILL_FAIL TRUE)
add_test(NAME ProcessEntry.RunsTheScenarioNamedInTheEnvironment COMMAND quorvane_sample_game)
set_tests_properties(ProcessEntry.RunsTheScenarioNamedInTheEnvironment PROPERTIES
    ENVIRONMENT "QUORVANE_SCENARIO=${sample_dir}/scenario.txt;QUORVANE_OUTPUT=${sample_out}/entry")
add_test(NAME ProcessEntry.RefusesAnUnknownBackend COMMAND quorvane_sample_game)
set_tests_properties(ProcessEntry.RefusesAnUnknownBackend PROPERTIES
    ENVIRONMENT "QUORVANE_BACKEND=no-such-backend" WILL_FAIL TRUE)
