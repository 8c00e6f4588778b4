#pragma once
// Skin archives go through libzip, loaded when the first archive is read or
// written rather than at start-up: with the cryptography library it brings,
// loading it costs a few milliseconds and more than a megabyte of memory at
// every start, for something many sessions never touch. Include this header
// instead of <zip.h>; the calls read as usual and go through the loaded
// library. A library that cannot be loaded is a VorlixError naming it, thrown
// from the first call.
#include <zip.h>

#define VORLIX_ZIP_FUNCTIONS(X) \
    X(zip_close) \
    X(zip_delete) \
    X(zip_discard) \
    X(zip_error_code_system) \
    X(zip_error_code_zip) \
    X(zip_error_fini) \
    X(zip_error_init) \
    X(zip_error_init_with_code) \
    X(zip_error_strerror) \
    X(zip_error_system_type) \
    X(zip_fclose) \
    X(zip_file_add) \
    X(zip_file_extra_field_delete) \
    X(zip_file_extra_field_set) \
    X(zip_file_get_error) \
    X(zip_file_get_external_attributes) \
    X(zip_file_replace) \
    X(zip_file_set_external_attributes) \
    X(zip_file_set_mtime) \
    X(zip_file_strerror) \
    X(zip_fopen_index) \
    X(zip_fread) \
    X(zip_get_error) \
    X(zip_get_name) \
    X(zip_get_num_entries) \
    X(zip_name_locate) \
    X(zip_open) \
    X(zip_open_from_source) \
    X(zip_set_file_compression) \
    X(zip_source_buffer) \
    X(zip_source_buffer_create) \
    X(zip_source_close) \
    X(zip_source_error) \
    X(zip_source_free) \
    X(zip_source_function_create) \
    X(zip_source_keep) \
    X(zip_source_open) \
    X(zip_source_read) \
    X(zip_stat_index) \
    X(zip_stat_init) \
    X(zip_strerror)

namespace vorlix::ziplib {

struct Api
{
#define VORLIX_ZIP_POINTER(name) decltype(&::name) name;
    VORLIX_ZIP_FUNCTIONS(VORLIX_ZIP_POINTER)
#undef VORLIX_ZIP_POINTER
};

// The loaded library's functions; loads it on the first call (thread-safe).
const Api &api();

} // namespace vorlix::ziplib

// From here on, a call such as zip_close(a) goes through the loaded library.
#define zip_close (::vorlix::ziplib::api().zip_close)
#define zip_delete (::vorlix::ziplib::api().zip_delete)
#define zip_discard (::vorlix::ziplib::api().zip_discard)
#define zip_error_code_system (::vorlix::ziplib::api().zip_error_code_system)
#define zip_error_code_zip (::vorlix::ziplib::api().zip_error_code_zip)
#define zip_error_fini (::vorlix::ziplib::api().zip_error_fini)
#define zip_error_init (::vorlix::ziplib::api().zip_error_init)
#define zip_error_init_with_code (::vorlix::ziplib::api().zip_error_init_with_code)
#define zip_error_strerror (::vorlix::ziplib::api().zip_error_strerror)
#define zip_error_system_type (::vorlix::ziplib::api().zip_error_system_type)
#define zip_fclose (::vorlix::ziplib::api().zip_fclose)
#define zip_file_add (::vorlix::ziplib::api().zip_file_add)
#define zip_file_extra_field_delete (::vorlix::ziplib::api().zip_file_extra_field_delete)
#define zip_file_extra_field_set (::vorlix::ziplib::api().zip_file_extra_field_set)
#define zip_file_get_error (::vorlix::ziplib::api().zip_file_get_error)
#define zip_file_get_external_attributes (::vorlix::ziplib::api().zip_file_get_external_attributes)
#define zip_file_replace (::vorlix::ziplib::api().zip_file_replace)
#define zip_file_set_external_attributes (::vorlix::ziplib::api().zip_file_set_external_attributes)
#define zip_file_set_mtime (::vorlix::ziplib::api().zip_file_set_mtime)
#define zip_file_strerror (::vorlix::ziplib::api().zip_file_strerror)
#define zip_fopen_index (::vorlix::ziplib::api().zip_fopen_index)
#define zip_fread (::vorlix::ziplib::api().zip_fread)
#define zip_get_error (::vorlix::ziplib::api().zip_get_error)
#define zip_get_name (::vorlix::ziplib::api().zip_get_name)
#define zip_get_num_entries (::vorlix::ziplib::api().zip_get_num_entries)
#define zip_name_locate (::vorlix::ziplib::api().zip_name_locate)
#define zip_open (::vorlix::ziplib::api().zip_open)
#define zip_open_from_source (::vorlix::ziplib::api().zip_open_from_source)
#define zip_set_file_compression (::vorlix::ziplib::api().zip_set_file_compression)
#define zip_source_buffer (::vorlix::ziplib::api().zip_source_buffer)
#define zip_source_buffer_create (::vorlix::ziplib::api().zip_source_buffer_create)
#define zip_source_close (::vorlix::ziplib::api().zip_source_close)
#define zip_source_error (::vorlix::ziplib::api().zip_source_error)
#define zip_source_free (::vorlix::ziplib::api().zip_source_free)
#define zip_source_function_create (::vorlix::ziplib::api().zip_source_function_create)
#define zip_source_keep (::vorlix::ziplib::api().zip_source_keep)
#define zip_source_open (::vorlix::ziplib::api().zip_source_open)
#define zip_source_read (::vorlix::ziplib::api().zip_source_read)
#define zip_stat_index (::vorlix::ziplib::api().zip_stat_index)
#define zip_stat_init (::vorlix::ziplib::api().zip_stat_init)
#define zip_strerror (::vorlix::ziplib::api().zip_strerror)
