# A GoogleTest program registered as three tests, each running a third of its cases, so that the
# cases run side by side with the other tests on every core.
function(actinfit_sharded_test name program)
  foreach(shard RANGE 2)
    add_test(NAME ${name}_${shard} COMMAND ${program} --gtest_brief=1)
    set_tests_properties(${name}_${shard} PROPERTIES
      ENVIRONMENT "GTEST_TOTAL_SHARDS=3;GTEST_SHARD_INDEX=${shard}" TIMEOUT 600)
  endforeach()
endfunction()
