<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>TAboutForm</name>
    <message>
        <source>Разработка: проект Velmora</source>
        <translation>Made by the Velmora project</translation>
    </message>
</context>
<context>
    <name>TParamForm</name>
    <message>
        <source> Динамический диапазон </source>
        <translation> Dynamic range </translation>
    </message>
    <message>
        <source>Авто</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Предупреждения</source>
        <translation>Warnings</translation>
    </message>
    <message>
        <source>Яркость</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>Контрастность</source>
        <translation>Contrast</translation>
    </message>
    <message>
        <source>Резкость</source>
        <translation>Sharpness</translation>
    </message>
    <message>
        <source> Тени </source>
        <translation> Shadows </translation>
    </message>
    <message>
        <source> Света </source>
        <translation> Highlights </translation>
    </message>
    <message>
        <source> Насыщенность </source>
        <translation> Saturation </translation>
    </message>
    <message>
        <source> Цветовой баланс и сдвиг </source>
        <translation> Colour balance and shift </translation>
    </message>
    <message>
        <source>Общ. баланс</source>
        <translation>Overall</translation>
    </message>
    <message>
        <source>Свет</source>
        <translation>Highlights</translation>
    </message>
    <message>
        <source>Тень</source>
        <translation>Shadows</translation>
    </message>
    <message>
        <source>Готово</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Моно</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Подсказки</source>
        <translation>Tooltips</translation>
    </message>
</context>
<context>
    <name>velmora::Failure</name>
    <message>
        <source>Недостаточно памяти</source>
        <translation>Not enough memory</translation>
    </message>
    <message>
        <source>Непредвиденная внутренняя ошибка</source>
        <translation>Unexpected internal error</translation>
    </message>
    <message>
        <source>Поддерживаются только изображения из трёх каналов</source>
        <translation>Only three-channel images are supported</translation>
    </message>
    <message>
        <source>Неподходящее выравнивание</source>
        <translation>Unsuitable row alignment</translation>
    </message>
    <message>
        <source>Нет записи фильтра</source>
        <translation>No filter record</translation>
    </message>
    <message>
        <source>Неверный размер изображения</source>
        <translation>Invalid image size</translation>
    </message>
    <message>
        <source>Неверное число каналов</source>
        <translation>Invalid number of channels</translation>
    </message>
    <message>
        <source>Переполнение размера</source>
        <translation>Size overflow</translation>
    </message>
    <message>
        <source>Хост не предоставил процедуры буферов</source>
        <translation>The host provides no buffer procedures</translation>
    </message>
    <message>
        <source>Не удалось выделить блок параметров</source>
        <translation>Could not allocate the parameter block</translation>
    </message>
    <message>
        <source>Не удалось получить блок параметров</source>
        <translation>Could not get the parameter block</translation>
    </message>
    <message>
        <source>Переполнение кэша цветов</source>
        <translation>Colour cache overflow</translation>
    </message>
    <message>
        <source>Хост не предоставил службу цвета</source>
        <translation>The host provides no colour services</translation>
    </message>
    <message>
        <source>Ошибка проверки диапазона</source>
        <translation>Range check error</translation>
    </message>
    <message>
        <source>Неверный масштаб</source>
        <translation>Invalid scale</translation>
    </message>
    <message>
        <source>Неправильная матрица яркости</source>
        <translation>Invalid lightness matrix</translation>
    </message>
    <message>
        <source>Нет растра предпросмотра</source>
        <translation>No preview bitmap</translation>
    </message>
    <message>
        <source>Индекс вне диапазона</source>
        <translation>Index out of range</translation>
    </message>
    <message>
        <source>Неправильный TrackBar</source>
        <translation>Invalid TrackBar</translation>
    </message>
    <message>
        <source>Неправильный Edit</source>
        <translation>Invalid Edit</translation>
    </message>
    <message>
        <source>Не нашлось кнопки :(</source>
        <translation>Button not found :(</translation>
    </message>
    <message>
        <source>tMapCreator: неправильный шаг</source>
        <translation>tMapCreator: invalid step</translation>
    </message>
    <message>
        <source>BalanceChanger: неправильный параметр</source>
        <translation>BalanceChanger: invalid parameter</translation>
    </message>
    <message>
        <source>Окно «О программе» пока недоступно</source>
        <translation>The about box is not available yet</translation>
    </message>
    <message>
        <source>Диалог параметров пока недоступен</source>
        <translation>The parameter dialog is not available yet</translation>
    </message>
    <message>
        <source>Окно «О программе» не может быть показано: нет графического дисплея</source>
        <translation>The about box cannot be shown: no graphical display</translation>
    </message>
    <message>
        <source>Диалог параметров не может быть показан: нет графического дисплея</source>
        <translation>The parameter dialog cannot be shown: no graphical display</translation>
    </message>
</context>
<context>
    <name>velmora::dialog::TParamForm</name>
    <message>
        <source> Динамический диапазон </source>
        <translation> Dynamic range </translation>
    </message>
    <message>
        <source> Насыщенность </source>
        <translation> Saturation </translation>
    </message>
    <message>
        <source> Цветовой баланс и сдвиг </source>
        <translation> Colour balance and shift </translation>
    </message>
    <message>
        <source>Готово</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Авто</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Моно</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Яркость</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>Контрастность</source>
        <translation>Contrast</translation>
    </message>
    <message>
        <source>Предупреждения</source>
        <translation>Warnings</translation>
    </message>
    <message>
        <source>Подсказки</source>
        <translation>Tooltips</translation>
    </message>
    <message>
        <source> Тени </source>
        <translation> Shadows </translation>
    </message>
    <message>
        <source> Света </source>
        <translation> Highlights </translation>
    </message>
    <message>
        <source>Резкость</source>
        <translation>Sharpness</translation>
    </message>
    <message>
        <source>Общ. баланс</source>
        <translation>Overall</translation>
    </message>
    <message>
        <source>Свет</source>
        <translation>Highlights</translation>
    </message>
    <message>
        <source>Тень</source>
        <translation>Shadows</translation>
    </message>
    <message>
        <source>Отменить (Alt-Backspace, Ctrl-Z)</source>
        <translation>Undo (Alt-Backspace, Ctrl-Z)</translation>
    </message>
    <message>
        <source>Вернуть (Shift-Alt-Backspace, Shift-Ctrl-Z)</source>
        <translation>Redo (Shift-Alt-Backspace, Shift-Ctrl-Z)</translation>
    </message>
    <message>
        <source>Исходный (Alt-Отмена, Home)</source>
        <translation>Original (Alt-Cancel, Home)</translation>
    </message>
    <message>
        <source>Автокоррекция (End)</source>
        <translation>Auto correction (End)</translation>
    </message>
    <message>
        <source>Увеличить (Серый &quot;+&quot;)</source>
        <translation>Zoom in (keypad "+")</translation>
    </message>
    <message>
        <source>Уменьшить (Серый &quot;-&quot;)</source>
        <translation>Zoom out (keypad "-")</translation>
    </message>
    <message>
        <source>Показать целиком (Серая &quot;*&quot;)</source>
        <translation>Fit in window (keypad "*")</translation>
    </message>
    <message>
        <source>Истинный масштаб (Серый &quot;/&quot;)</source>
        <translation>Actual pixels (keypad "/")</translation>
    </message>
    <message>
        <source>Уровень в тенях</source>
        <translation>Shadow level</translation>
    </message>
    <message>
        <source>Уровень в светах</source>
        <translation>Highlight level</translation>
    </message>
    <message>
        <source>Уровень черного</source>
        <translation>Black level</translation>
    </message>
    <message>
        <source>Уровень белого</source>
        <translation>White level</translation>
    </message>
    <message>
        <source>Полная тень</source>
        <translation>Deep shadow</translation>
    </message>
    <message>
        <source>Основной диапазон</source>
        <translation>Main range</translation>
    </message>
    <message>
        <source>Пересвет</source>
        <translation>Blown highlights</translation>
    </message>
    <message>
        <source>Цветовой контраст</source>
        <translation>Colour contrast</translation>
    </message>
    <message>
        <source>Усиление насыщенности</source>
        <translation>Saturation boost</translation>
    </message>
    <message>
        <source>Верхняя граница зоны усиления</source>
        <translation>Upper limit of the boost zone</translation>
    </message>
    <message>
        <source>Нижняя граница зоны усиления</source>
        <translation>Lower limit of the boost zone</translation>
    </message>
    <message>
        <source>Ограничивает усиление близких к нейтральному цветов</source>
        <translation>Limits the boost of near-neutral colours</translation>
    </message>
    <message>
        <source>Ограничивает усиление насыщенных цветов</source>
        <translation>Limits the boost of saturated colours</translation>
    </message>
    <message>
        <source>Указатель нейтральной точки</source>
        <translation>Neutral point picker</translation>
    </message>
    <message>
        <source>Указатель телесного тона</source>
        <translation>Skin tone picker</translation>
    </message>
    <message>
        <source>Указатель тона голубого неба</source>
        <translation>Blue sky picker</translation>
    </message>
    <message>
        <source>Указатель тона зеленой травы</source>
        <translation>Green grass picker</translation>
    </message>
    <message>
        <source>Цветовой баланс (пурпурный-зеленый)</source>
        <translation>Colour balance (magenta-green)</translation>
    </message>
    <message>
        <source>Цветовой баланс (желтый-синий)</source>
        <translation>Colour balance (yellow-blue)</translation>
    </message>
    <message>
        <source>Пурпурный (+) - зеленый (-)</source>
        <translation>Magenta (+) - green (-)</translation>
    </message>
    <message>
        <source>Жёлтый (+) - синий (-)</source>
        <translation>Yellow (+) - blue (-)</translation>
    </message>
    <message>
        <source>Цветовой тон (добавляемый)</source>
        <translation>Hue (added)</translation>
    </message>
    <message>
        <source>Оттенок (H)</source>
        <translation>Hue (H)</translation>
    </message>
    <message>
        <source>Цветность (насыщенность)</source>
        <translation>Chroma (saturation)</translation>
    </message>
    <message>
        <source>Цветность (C)</source>
        <translation>Chroma (C)</translation>
    </message>
    <message>
        <source>Сдвиг цвета</source>
        <translation>Colour shift</translation>
    </message>
    <message>
        <source>Цветовой сдвиг</source>
        <translation>Amount of colour shift</translation>
    </message>
    <message>
        <source>Исходный цвет</source>
        <translation>Original colour</translation>
    </message>
    <message>
        <source>Сдвинутый цвет</source>
        <translation>Shifted colour</translation>
    </message>
    <message>
        <source>Усиление (дБ) пурпурного (H=0°)</source>
        <translation>Magenta gain, dB (H=0°)</translation>
    </message>
    <message>
        <source>Усиление (дБ) красного (H=45°)</source>
        <translation>Red gain, dB (H=45°)</translation>
    </message>
    <message>
        <source>Усиление (дБ) желтого (H=90°)</source>
        <translation>Yellow gain, dB (H=90°)</translation>
    </message>
    <message>
        <source>Усиление (дБ) зеленого (H=135°)</source>
        <translation>Green gain, dB (H=135°)</translation>
    </message>
    <message>
        <source>Усиление (дБ) изумрудно-зеленого (H=180°)</source>
        <translation>Emerald green gain, dB (H=180°)</translation>
    </message>
    <message>
        <source>Усиление (дБ) голубого (H=225°)</source>
        <translation>Cyan gain, dB (H=225°)</translation>
    </message>
    <message>
        <source>Усиление (дБ) синего (H=270°)</source>
        <translation>Blue gain, dB (H=270°)</translation>
    </message>
    <message>
        <source>Усиление (дБ) фиолетового (H=315°)</source>
        <translation>Violet gain, dB (H=315°)</translation>
    </message>
    <message>
        <source>Усиление насыщенности (дБ) в тенях (0L)</source>
        <translation>Saturation gain, dB, in the shadows (0L)</translation>
    </message>
    <message>
        <source>Усиление насыщенности (дБ) в 3/4-тонах (25L)</source>
        <translation>Saturation gain, dB, in the three-quarter tones (25L)</translation>
    </message>
    <message>
        <source>Усиление насыщенности (дБ) в полутонах (50L)</source>
        <translation>Saturation gain, dB, in the midtones (50L)</translation>
    </message>
    <message>
        <source>Усиление насыщенности (дБ) в четвертьтонах (75L)</source>
        <translation>Saturation gain, dB, in the quarter tones (75L)</translation>
    </message>
    <message>
        <source>Усиление насыщенности (дБ) в светах (100L)</source>
        <translation>Saturation gain, dB, in the highlights (100L)</translation>
    </message>
    <message>
        <source>При включении баланс усредняется</source>
        <translation>When on, the two balances are averaged</translation>
    </message>
    <message>
        <source>Включает отображение баланса светлой точки</source>
        <translation>Shows the balance of the highlight point</translation>
    </message>
    <message>
        <source>Включает отображение баланса темной точки</source>
        <translation>Shows the balance of the shadow point</translation>
    </message>
    <message>
        <source>Подъём теней</source>
        <translation>Shadow lift</translation>
    </message>
    <message>
        <source>Степень подъёма теней</source>
        <translation>Amount of shadow lift</translation>
    </message>
    <message>
        <source>Снижение светов</source>
        <translation>Highlight reduction</translation>
    </message>
    <message>
        <source>Степень снижения светов</source>
        <translation>Amount of highlight reduction</translation>
    </message>
    <message>
        <source>Включение предупреждений о пересветах и глухих тенях</source>
        <translation>Warns of blown highlights and blocked shadows</translation>
    </message>
    <message>
        <source>Удалить все снимки</source>
        <translation>Delete all snapshots</translation>
    </message>
    <message>
        <source>Сделать снимок (запомнить настройки)</source>
        <translation>Take a snapshot (remember the settings)</translation>
    </message>
    <message>
        <source>Показать снимок (клавиша %1)</source>
        <translation>Show snapshot (key %1)</translation>
    </message>
    <message>
        <source>Показать этот снимок</source>
        <translation>Show this snapshot</translation>
    </message>
    <message>
        <source>Удалить снимок</source>
        <translation>Delete snapshot</translation>
    </message>
    <message>
        <source> Щелчок - сброс настроек. Двойной щелчок - отмена</source>
        <translation> Click - reset the settings. Double-click - undo</translation>
    </message>
    <message>
        <source> Щелчок по свободному полю - исходный динамический диапазон</source>
        <translation> Click an empty spot - reset the dynamic range</translation>
    </message>
    <message>
        <source> Щелчок по свободному полю - исходная яркость</source>
        <translation> Click an empty spot - reset the brightness</translation>
    </message>
    <message>
        <source> Щелчок по свободному полю - исходная контрастность</source>
        <translation> Click an empty spot - reset the contrast</translation>
    </message>
    <message>
        <source> Щелчок по свободному полю - исходная резкость</source>
        <translation> Click an empty spot - reset the sharpness</translation>
    </message>
    <message>
        <source> Щелчок по свободному полю - исходные тени и света</source>
        <translation> Click an empty spot - reset shadows and highlights</translation>
    </message>
    <message>
        <source> Щелчок по свободному полю - исходная насыщенность</source>
        <translation> Click an empty spot - reset the saturation</translation>
    </message>
    <message>
        <source> Щелчок - исходная насыщенность. Двойной щелчок - отмена</source>
        <translation> Click - reset the saturation. Double-click - undo</translation>
    </message>
    <message>
        <source> Щелчок по свободному полю - исходный цвет</source>
        <translation> Click an empty spot - reset the colour</translation>
    </message>
    <message>
        <source> Щелчок - исходный баланс. Двойной щелчок - отмена</source>
        <translation> Click - reset the balance. Double-click - undo</translation>
    </message>
    <message>
        <source> Щелчок - нулевой сдвиг. Двойной щелчок - отмена</source>
        <translation> Click - no colour shift. Double-click - undo</translation>
    </message>
    <message>
        <source> Служит для выбора нейтральной точки на фотографии</source>
        <translation> Picks a neutral point in the photo</translation>
    </message>
    <message>
        <source> Служит для выбора точки телесного тона на фотографии</source>
        <translation> Picks a point of skin tone in the photo</translation>
    </message>
    <message>
        <source> Служит для выбора точки голубого неба на фотографии</source>
        <translation> Picks a point of blue sky in the photo</translation>
    </message>
    <message>
        <source> Служит для выбора точки на зеленой траве</source>
        <translation> Picks a point on green grass</translation>
    </message>
    <message>
        <source> Обработать фотографию в соответствии с текущими настройками</source>
        <translation> Process the photo with the current settings</translation>
    </message>
    <message>
        <source>Исходный</source>
        <translation>Original</translation>
    </message>
    <message>
        <source> Размер окна (уменьшить) 
<byte value="xd"/>PgUp - увеличить, PgDn - уменьшить</source>
        <translation> Window size (smaller) 
<byte value="xd"/>PgUp - larger, PgDn - smaller</translation>
    </message>
    <message>
        <source> Размер окна (развернуть во весь экран) 
<byte value="xd"/>PgUp - увеличить, PgDn - уменьшить</source>
        <translation> Window size (full screen) 
<byte value="xd"/>PgUp - larger, PgDn - smaller</translation>
    </message>
    <message>
        <source> Исходный снимок</source>
        <translation> Original image</translation>
    </message>
    <message>
        <source> Исходный снимок. Двигай, двигай...</source>
        <translation> Original image. Drag it around...</translation>
    </message>
    <message>
        <source> Выберите 1-ю серую точку (точка S). Пробел - перемещение. Ctrl - 2-я точка</source>
        <translation> Pick the 1st grey point (point S). Space - pan. Ctrl - 2nd point</translation>
    </message>
    <message>
        <source> Выберите 2-ю серую точку (точка С). Пробел - перемещение снимка. Shift - 1-я точка.</source>
        <translation> Pick the 2nd grey point (point C). Space - pan the image. Shift - 1st point.</translation>
    </message>
    <message>
        <source> Выберите серую точку. Пробел - перемещение. Shift, Ctrl - 1-я и 2-я точки. Колесо [+ Shift] - цветность</source>
        <translation> Pick a grey point. Space - pan. Shift, Ctrl - 1st and 2nd points. Wheel [+ Shift] - chroma</translation>
    </message>
    <message>
        <source> Выберите точку телесного тона. Правая кнопка или пробел - перемещение. Колесо [+ Shift] - цветность</source>
        <translation> Pick a point of skin tone. Right button or Space - pan. Wheel [+ Shift] - chroma</translation>
    </message>
    <message>
        <source> Выберите точку на голубом небе. Правая кнопка или пробел - перемещение. Колесо [+ Shift] - цветность</source>
        <translation> Pick a point of blue sky. Right button or Space - pan. Wheel [+ Shift] - chroma</translation>
    </message>
    <message>
        <source> Выберите точку на зеленой траве. Правая кнопка или пробел - перемещение. Колесо [+ Shift] - цветность</source>
        <translation> Pick a point on green grass. Right button or Space - pan. Wheel [+ Shift] - chroma</translation>
    </message>
    <message>
        <source> Левая кнопка - просмотр исходного снимка и перемещение. Колесо [+ Shift] - цветность</source>
        <translation> Left button - view the original and pan. Wheel [+ Shift] - chroma</translation>
    </message>
    <message>
        <source> Для выбора удаляемого цвета используйте Shift</source>
        <translation> Hold Shift to pick a colour to remove</translation>
    </message>
    <message>
        <source> Для выбора добавляемого цвета используйте Ctrl</source>
        <translation> Hold Ctrl to pick a colour to add</translation>
    </message>
    <message>
        <source> Преобразование...</source>
        <translation> Converting...</translation>
    </message>
    <message>
        <source> Анализ динамического диапазона...</source>
        <translation> Analysing the dynamic range...</translation>
    </message>
    <message>
        <source> Масштабирование...</source>
        <translation> Scaling...</translation>
    </message>
    <message>
        <source> Анализ яркости...</source>
        <translation> Analysing brightness...</translation>
    </message>
    <message>
        <source> Анализ резкости...</source>
        <translation> Analysing sharpness...</translation>
    </message>
    <message>
        <source> Анализ контраста...</source>
        <translation> Analysing contrast...</translation>
    </message>
    <message>
        <source> Распределение памяти...</source>
        <translation> Freeing memory...</translation>
    </message>
    <message>
        <source> Масштабирование масок </source>
        <translation> Scaling the masks </translation>
    </message>
    <message>
        <source> Вернуться к исходному снимку</source>
        <translation> Back to the original image</translation>
    </message>
    <message>
        <source> Закрыть окно, не обрабатывая фотографию</source>
        <translation> Close without processing the photo</translation>
    </message>
    <message>
        <source>Усиление (дБ)</source>
        <translation>Gain (dB)</translation>
    </message>
    <message>
        <source>Насыщенность</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <source> Остановись - посмотришь; нажми - изменишь </source>
        <translation> Rest here to preview; click to apply </translation>
    </message>
</context>
</TS>
