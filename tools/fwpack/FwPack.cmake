# Build-time packaging with the fwpack tool. Included by tools/fwpack; other
# folders may include it themselves, since the fwpack target is looked up
# only when the build files are generated.

# fw_pack_executable(target manifest output)
#   Appends the package described by `manifest` (relative to the calling
#   folder's sources) to a copy of the executable `target`, written to
#   `output` (relative to the calling folder's build folder). The copy is
#   remade whenever the target, the manifest or a file it names changes.
#   Adds the target <target>_packed, built by default.
function(fw_pack_executable target manifest output)
  get_filename_component(manifest_path "${manifest}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(output_path "${output}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  get_filename_component(output_dir "${output_path}" DIRECTORY)
  set(depfile "${CMAKE_CURRENT_BINARY_DIR}/${target}_packed.d")
  add_custom_command(
    OUTPUT "${output_path}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${output_dir}"
    COMMAND fwpack build --depfile "${depfile}" "${manifest_path}" "$<TARGET_FILE:${target}>" "${output_path}"
    DEPENDS fwpack ${target} "${manifest_path}"
    DEPFILE "${depfile}"
    COMMENT "Appending the package of ${manifest} to ${target}"
    VERBATIM)
  add_custom_target(${target}_packed ALL DEPENDS "${output_path}")
endfunction()

# fw_pack_package(name manifest output)
#   Writes the package described by `manifest` alone to `output`, through
#   the target `name`, built by default.
function(fw_pack_package name manifest output)
  get_filename_component(manifest_path "${manifest}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(output_path "${output}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  get_filename_component(output_dir "${output_path}" DIRECTORY)
  set(depfile "${CMAKE_CURRENT_BINARY_DIR}/${name}.d")
  add_custom_command(
    OUTPUT "${output_path}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${output_dir}"
    COMMAND fwpack build-package --depfile "${depfile}" "${manifest_path}" "${output_path}"
    DEPENDS fwpack "${manifest_path}"
    DEPFILE "${depfile}"
    COMMENT "Building the package of ${manifest}"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS "${output_path}")
endfunction()
