// A realistic article as the title stores it (Windows-1252 text in the rich-text dialect, lines
// ended by CR LF, not yet wrapped by the text view): a centred bold title, indented paragraphs with
// bold and italic words, accented letters both as bytes and as \'hh escapes, curly quotes and
// dashes, hot links to other articles, a marker, a bitmap and a table laid out with a right tab
// stop. The sections repeat, numbered, until the text reaches the size asked for; it always ends
// after a whole paragraph.
#pragma once

#include <cstddef>
#include <string>

namespace vel::bench {

inline std::string articleText(std::size_t bytes = 20 * 1024)
{
    const std::string title = "\\pard\\qc{\\b O rio Amazonas}\\par\r\n\\pard\\ql\\par\r\n";
    const std::string section =
        "\\pard\\fi360\\li0 {\\b Se\\'e7\\'e3o @}\\par\r\n"
        "\\pard\\fi360 O {\\b Amazonas} nasce na cordilheira dos Andes, no {\\uldb Peru}!\\{art:Peru\\}, e "
        "banha a {\\uldb Col\xF4mbia}!\\{art:Col\xF4mbia\\} e o {\\uldb Brasil}!\\{art:Brasil\\} antes de "
        "desaguar no oceano Atl\xE2ntico. No Brasil, o trecho entre a fronteira e Manaus \xE9 chamado "
        "{\\i Solim\\'f5es}; em Manaus, o rio Negro e o Solim\xF5" "es correm lado a lado por quil\xF4metros "
        "sem misturar as \xE1guas \x96 o {\\i Encontro das \xC1guas}.\\par\r\n"
        "\\pard\\fi360 O \\ldblquote rio-mar\\rdblquote , como tamb\xE9m \xE9 chamado, \xE9 o maior do mundo "
        "em volume de \xE1gua. A floresta amaz\\'f4nica, a maior floresta tropical do planeta, estende-se por "
        "terras de nove pa\xEDses \\emdash  {\\uldb veja o mapa}!\\{mapa:amazonia\\}.\\par\r\n"
        "{\\uldb marker}!\\{m:foz@\\}\\pard\\li720 \\{bmc amazonas.bmp\\}\\par\r\n"
        "\\pard\\li720\\tqr\\tx5040 {\\b Cidade}\\tab {\\b Estado}\\par\r\n"
        "Manaus\\tab Amazonas\\par\r\nSantar\xE9m\\tab Par\xE1\\par\r\nBel\xE9m\\tab Par\xE1\\par\r\n"
        "Macap\xE1\\tab Amap\xE1\\par\r\n"
        "\\pard\\fi360 Na foz, a ilha de {\\b Maraj\xF3} separa o rio do {\\uldb Par\xE1}!\\{art:Par\xE1\\}; a "
        "mar\xE9 que sobe o rio forma a {\\i pororoca}, onda que avan\\'e7a contra a corrente.\\par\r\n";
    std::string text = title;
    for (int number = 1; text.size() < bytes; ++number) {
        std::string part = section;
        for (std::size_t at; (at = part.find('@')) != std::string::npos;)
            part.replace(at, 1, std::to_string(number));
        text += part;
    }
    return text;
}

} // namespace vel::bench
