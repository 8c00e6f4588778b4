#include "platform/ZipLib.h"

#include "platform/Errors.h"

#include <QLibrary>

namespace vorlix::ziplib {

namespace {

Api load()
{
    // The soname's number comes from the libzip the program was built
    // against, so the library loaded is the one whose header we compiled.
    QLibrary library(QStringLiteral("zip"), VORLIX_LIBZIP_MAJOR);
    if (!library.load())
        throw VorlixError(QStringLiteral("Cannot load the zip library (%1)").arg(library.errorString()));
    Api api{};
    const auto resolve = [&](auto &pointer, const char *name) {
        pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(library.resolve(name));
        if (!pointer)
            throw VorlixError(QStringLiteral("Cannot load the zip library (%1 has no %2)")
                                  .arg(library.fileName(), QLatin1String(name)));
    };
    // The macros of the header would turn the member names into calls here.
#undef zip_close
#undef zip_delete
#undef zip_discard
#undef zip_error_code_system
#undef zip_error_code_zip
#undef zip_error_fini
#undef zip_error_init
#undef zip_error_init_with_code
#undef zip_error_strerror
#undef zip_error_system_type
#undef zip_fclose
#undef zip_file_add
#undef zip_file_extra_field_delete
#undef zip_file_extra_field_set
#undef zip_file_get_error
#undef zip_file_get_external_attributes
#undef zip_file_replace
#undef zip_file_set_external_attributes
#undef zip_file_set_mtime
#undef zip_file_strerror
#undef zip_fopen_index
#undef zip_fread
#undef zip_get_error
#undef zip_get_name
#undef zip_get_num_entries
#undef zip_name_locate
#undef zip_open
#undef zip_open_from_source
#undef zip_set_file_compression
#undef zip_source_buffer
#undef zip_source_buffer_create
#undef zip_source_close
#undef zip_source_error
#undef zip_source_free
#undef zip_source_function_create
#undef zip_source_keep
#undef zip_source_open
#undef zip_source_read
#undef zip_stat_index
#undef zip_stat_init
#undef zip_strerror
#define VORLIX_ZIP_RESOLVE(name) resolve(api.name, #name);
    VORLIX_ZIP_FUNCTIONS(VORLIX_ZIP_RESOLVE)
#undef VORLIX_ZIP_RESOLVE
    // The library stays loaded for the rest of the run (QLibrary doesn't
    // unload it when the object goes).
    return api;
}

} // namespace

const Api &api()
{
    // A failed load throws out of the initialisation, so the next call tries
    // again (the user may have installed the library meanwhile).
    static const Api loaded = load();
    return loaded;
}

} // namespace vorlix::ziplib
