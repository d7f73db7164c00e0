#include "serial/serial_port.h"

#include <string>

namespace vantrel {

// The reason shown beneath the fixed open-failure message, in the user's language.
OpenResult openFailure(OpenFailure failure) {
    switch (failure) {
    case OpenFailure::None: return {};
    case OpenFailure::NotFound: return {failure, "Такого порта нет в системе."};
    case OpenFailure::AccessDenied:
#ifdef _WIN32
        return {failure, "Нет доступа к порту."};
#else
        return {failure, "Нет доступа к порту: пользователь не входит в группу dialout "
                         "(добавьте его в эту группу и войдите в систему заново)."};
#endif
    case OpenFailure::Busy: return {failure, "Порт занят другой программой."};
    case OpenFailure::NotADevice: return {failure, "Это не последовательный порт."};
    case OpenFailure::SettingsRefused:
        return {failure, "Порт не принял настройки: скорость, число бит данных или стоп-бит."};
    case OpenFailure::BadAddress:
        return {failure, "Неверный сетевой адрес: нужно socket://УЗЕЛ:ПОРТ или rfc2217://УЗЕЛ:ПОРТ."};
    case OpenFailure::HostNotFound: return {failure, "Узел не найден"};
    case OpenFailure::Refused: return {failure, "Сервер отказал в соединении"};
    case OpenFailure::NoAnswer: return {failure, "Нет ответа от узла"};
    case OpenFailure::Other: break;
    }
    return {OpenFailure::Other, "Система не дала открыть порт."};
}

OpenResult openFailure(OpenFailure failure, long code) {
    OpenResult r = openFailure(failure);
    r.reason += " (код ошибки " + std::to_string(code) + ")";
    return r;
}

}  // namespace vantrel
