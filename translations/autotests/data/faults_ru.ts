<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="en_US">
<context>
    <name>Faults</name>
    <message>
        <source>Done</source>
        <translation>Готово</translation>
    </message>
    <message>
        <source>Untranslated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Empty</source>
        <translation></translation>
    </message>
    <message>
        <source>Copy &apos;%1&apos; to &apos;%2&apos;</source>
        <translation>Скопировать «%1»</translation>
    </message>
    <message>
        <source>Remove &apos;%1&apos;</source>
        <translation>Удалить «%1» (%2)</translation>
    </message>
    <message>
        <source>Move &apos;%1&apos; to &apos;%2&apos;</source>
        <translation>Переместить в «%2» файл «%1»</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s)</source>
        <translation>
            <numerusform>%n файл</numerusform>
            <numerusform>%n файла</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n rule(s) in &apos;%1&apos;</source>
        <translation>
            <numerusform>одно правило в «%1»</numerusform>
            <numerusform>%n правила в «%1»</numerusform>
            <numerusform>%n правил в «%1»</numerusform>
        </translation>
    </message>
    <message>
        <source>Gone from the sources</source>
        <translation type="vanished">Нет в исходниках</translation>
    </message>
</context>
</TS>
