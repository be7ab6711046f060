<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="en_US">
<context>
    <name>ActionArgumentsCheck</name>
    <message>
        <source>&apos;%1&apos; is not the name of an earlier configuration.</source>
        <translation>«%1» не является именем прежней конфигурации.</translation>
    </message>
    <message>
        <source>Unknown environment variable &apos;%1&apos; in the request. Nothing has been changed.</source>
        <translation>Неизвестная переменная окружения «%1» в запросе. Ничего не изменено.</translation>
    </message>
    <message>
        <source>Unknown argument &apos;%1&apos; in the request. Nothing has been changed.</source>
        <translation>Неизвестный аргумент «%1» в запросе. Ничего не изменено.</translation>
    </message>
    <message>
        <source>Invalid profile name &apos;%1&apos;. Nothing has been changed.</source>
        <translation>Недопустимое имя профиля «%1». Ничего не изменено.</translation>
    </message>
    <message>
        <source>The value of &apos;%1&apos; in the request has the wrong type. Nothing has been changed.</source>
        <translation>Значение «%1» в запросе имеет неверный тип. Ничего не изменено.</translation>
    </message>
</context>
<context>
    <name>CallerGate</name>
    <message>
        <source>The privileged helper is busy with another action. Try again once it has finished.</source>
        <translation>Привилегированная вспомогательная программа занята другим действием. Повторите попытку, когда оно завершится.</translation>
    </message>
    <message>
        <source>The privileged helper could not start the action.</source>
        <translation>Привилегированной вспомогательной программе не удалось начать действие.</translation>
    </message>
</context>
<context>
    <name>OrlaAdminBoothward</name>
    <message>
        <source>The recorded rules are too large to send back (%1 MiB). Record a shorter session.</source>
        <translation>Записанные правила слишком велики, чтобы передать их обратно (%1 МиБ). Запишите более короткий сеанс.</translation>
    </message>
    <message>
        <source>A request to stop a recording is still pending. Nothing has been changed; try again.</source>
        <translation>Запрос на остановку записи правил ещё обрабатывается. Ничего не изменено; повторите попытку.</translation>
    </message>
    <message numerus="yes">
        <source>The global recording was not completed within %n hour(s) and ended by itself; kiosk users are confined again.</source>
        <translation>
            <numerusform>Глобальная запись правил не была завершена за %n час и остановилась сама; ограничения для пользователей киоска снова действуют.</numerusform>
            <numerusform>Глобальная запись правил не была завершена за %n часа и остановилась сама; ограничения для пользователей киоска снова действуют.</numerusform>
            <numerusform>Глобальная запись правил не была завершена за %n часов и остановилась сама; ограничения для пользователей киоска снова действуют.</numerusform>
        </translation>
    </message>
</context>
</TS>
