#include "files/file_error_text.h"

#include <cerrno>

namespace tornel {

std::string FileErrorText(std::error_code code, FileAccess access) {
    switch (static_cast<std::errc>(code.value())) {
        case std::errc::permission_denied:
        case std::errc::operation_not_permitted:
            return "нет доступа";
        case std::errc::read_only_file_system:
            return "диск защищён от записи";
        case std::errc::is_a_directory:
            return "на месте файла стоит папка";
        case std::errc::text_file_busy:
            return "файл занят другой программой";
        case std::errc::no_space_on_device:
            return "диск заполнен";
        case std::errc::file_too_large:
            return "файл больше, чем позволяет диск";
        case std::errc::no_such_file_or_directory:
        case std::errc::not_a_directory:
            return access == FileAccess::Read ? "файл не найден" : "папка не найдена";
        case std::errc::too_many_files_open:
        case std::errc::too_many_files_open_in_system:
            return "открыто слишком много файлов";
        case std::errc::filename_too_long:
            return "слишком длинный путь";
        default:
            break;
    }
#ifdef EDQUOT
    if (code.value() == EDQUOT) {  // the user's disk quota: as full as a full disk
        return "диск заполнен";
    }
#endif
    return "ошибка ввода-вывода (код " + std::to_string(code.value()) + ")";
}

}  // namespace tornel
