# File facts: the MD5 hash, the signature check and the version strings, tested on PE files
# and data files that this build makes (none is downloaded).
set(facts_fixture_dir ${CMAKE_CURRENT_BINARY_DIR}/facts_fixtures)
set(facts_fixture_src ${CMAKE_CURRENT_SOURCE_DIR}/fixtures)
file(MAKE_DIRECTORY ${facts_fixture_dir})

# One tiny program per resource script, plus one without any version resource.
set(facts_fixture_targets)
foreach(fixture company_full company_lower company_inner company_empty pairs_first pairs_last large no_version)
  set(sources ${facts_fixture_src}/fixture_main.c)
  if(EXISTS ${facts_fixture_src}/${fixture}.rc)
    list(APPEND sources ${facts_fixture_src}/${fixture}.rc)
  endif()
  add_executable(facts_fixture_${fixture} ${sources})
  set_target_properties(facts_fixture_${fixture} PROPERTIES
    OUTPUT_NAME ${fixture} RUNTIME_OUTPUT_DIRECTORY ${facts_fixture_dir})
  list(APPEND facts_fixture_targets facts_fixture_${fixture})
endforeach()

# A certificate of our own, made at build time, signs the full-company fixture; a copy with one
# code byte inverted carries a signature that no longer matches.
add_custom_command(
  OUTPUT ${facts_fixture_dir}/signer.pem ${facts_fixture_dir}/signer.key
  COMMAND openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -subj "/CN=Fendrel Test Signer"
          -keyout signer.key -out signer.pem
  WORKING_DIRECTORY ${facts_fixture_dir}
  COMMENT "Making the test signing certificate"
  VERBATIM)
add_custom_command(
  OUTPUT ${facts_fixture_dir}/signed.exe
  COMMAND ${CMAKE_COMMAND} -E rm -f signed.exe
  COMMAND osslsigncode sign -certs signer.pem -key signer.key -n "Fendrel fixture" -h sha256
          -in $<TARGET_FILE:facts_fixture_company_full> -out signed.exe
  DEPENDS facts_fixture_company_full ${facts_fixture_dir}/signer.pem
  WORKING_DIRECTORY ${facts_fixture_dir}
  COMMENT "Signing the fixture"
  VERBATIM)
add_custom_command(
  OUTPUT ${facts_fixture_dir}/bad_signature.exe
  COMMAND sh ${facts_fixture_src}/tamper_pe.sh ${CMAKE_OBJDUMP} signed.exe bad_signature.exe
  DEPENDS ${facts_fixture_dir}/signed.exe ${facts_fixture_src}/tamper_pe.sh
  WORKING_DIRECTORY ${facts_fixture_dir}
  COMMENT "Changing one signed byte"
  VERBATIM)

# Files that end just before, at and just after a read chunk, with md5sum's digests.
set(facts_md5_header ${CMAKE_CURRENT_BINARY_DIR}/facts_generated/md5sum_digests.h)
add_custom_command(
  OUTPUT ${facts_md5_header} ${facts_fixture_dir}/chunk_exact.bin
  COMMAND sh ${facts_fixture_src}/make_md5_fixtures.sh ${facts_fixture_dir} ${facts_md5_header}
  DEPENDS ${facts_fixture_src}/make_md5_fixtures.sh
  COMMENT "Making the hash fixtures"
  VERBATIM)

add_custom_target(facts_fixtures ALL
  DEPENDS ${facts_fixture_targets} ${facts_fixture_dir}/signed.exe ${facts_fixture_dir}/bad_signature.exe
          ${facts_md5_header})

fendrel_test(md5_hash_test SOURCES md5_hash_test.cpp facts_fixture.cpp temp_folder.cpp LIBS fendrel_facts)
fendrel_test(signature_check_test SOURCES signature_check_test.cpp facts_fixture.cpp temp_folder.cpp
             LIBS fendrel_facts)
fendrel_test(version_strings_test SOURCES version_strings_test.cpp facts_fixture.cpp temp_folder.cpp
             LIBS fendrel_facts)
foreach(test md5_hash_test signature_check_test version_strings_test)
  add_dependencies(${test} facts_fixtures)
  target_include_directories(${test} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/facts_generated)
endforeach()
