; The controls gallery, second screen. Right of the left third: two scroll bars, a slider with two
; thumbs and a table; the text under the bars says what each of them holds once it is moved or
; clicked. In the left third, a list of 300 words that a typed letter searches (from the line after
; the chosen one, round past the end) and a list of fruits where each click chooses or leaves one.
; In the bottom strip, an edit field, a drop-down list and a cascading menu (see the end of the list).
(form ("Class" "DemoForm")
       ("Name" "Galeria2")
       ("Background Image" "galeria2.bmp")
       ("Control List"
        (list (control ("Class" "velControlObject") ("Name" "Voltar")
                       ("Hot Spot" (rect 540 10 88 28)) ("Target Form" "galeria.frm"))
              (control ("Class" "Scroller") ("Name" "BarraHorizontal")
                       ("Hot Spot" (rect 240 84 340 18)) ("Horizontal" true)
                       ("ButtHeight" 18) ("KnobHeight" 24)
                       ("Min" 0) ("Max" 100) ("Value" 25) ("PageInc" 10)
                       ("ButtonColor" (rgb 200 210 235)) ("KnobColor" (rgb 120 140 190))
                       ("InsideColor" (rgb 235 238 246)) ("BorderColor" (rgb 20 40 90))
                       ("Action" "ShowState") ("Label" "Legenda") ("Caption" "Barra horizontal: "))
              (control ("Class" "Scroller") ("Name" "BarraVertical")
                       ("Hot Spot" (rect 598 84 18 136))
                       ("ButtHeight" 18) ("KnobHeight" 24)
                       ("Min" 0) ("Max" 20) ("Value" 5) ("PageInc" 5)
                       ("ButtonColor" (rgb 200 210 235)) ("KnobColor" (rgb 120 140 190))
                       ("InsideColor" (rgb 235 238 246)) ("BorderColor" (rgb 20 40 90))
                       ("Action" "ShowState") ("Label" "Legenda") ("Caption" "Barra vertical: "))
              (control ("Class" "StaticText") ("Name" "Legenda")
                       ("Text Region" (rect 240 110 340 34))
                       ("Text" "Mova as barras ou a faixa, ou escolha uma linha da tabela.")
                       ("Font" (font "Arial" 10)) ("Bold" true)
                       ("Foreground Color" (rgb 20 28 60)) ("Background Color" (rgb 200 210 235))
                       ("VAlign" "Center"))
              (control ("Class" "Slider") ("Name" "Faixa")
                       ("Hot Spot" (rect 240 172 340 22)) ("Double" true)
                       ("Minimum" 1900) ("Maximum" 2000) ("Increment" 5) ("Low" 1930) ("High" 1970)
                       ("Action" "ShowState") ("Label" "Legenda") ("Caption" "Anos escolhidos: de "))
              (control ("Class" "Table") ("Name" "Regioes")
                       ("Hot Spot" (rect 240 236 340 130))
                       ("Font" (font "Arial" 10))
                       ("Rows" (list (table ("Value" "Regi\xe3o Norte") ("Height" 26) ("Color" (rgb 20 40 90))
                                            ("Action" "A Regi\xe3o Norte tem 7 estados."))
                                     (table ("Value" "Regi\xe3o Nordeste") ("Height" 26) ("Color" (rgb 20 40 90))
                                            ("Action" "A Regi\xe3o Nordeste tem 9 estados."))
                                     (table ("Value" "Regi\xe3o Centro-Oeste") ("Height" 26) ("Color" (rgb 20 40 90))
                                            ("Action" "A Regi\xe3o Centro-Oeste tem 3 estados e o Distrito Federal."))
                                     (table ("Value" "Regi\xe3o Sudeste") ("Height" 26) ("Color" (rgb 20 40 90))
                                            ("Action" "A Regi\xe3o Sudeste tem 4 estados."))
                                     (table ("Value" "Regi\xe3o Sul") ("Height" 26) ("Color" (rgb 20 40 90))
                                            ("Action" "A Regi\xe3o Sul tem 3 estados."))))
                       ("Action" "ShowState") ("Label" "Legenda"))
              (control ("Class" "ListBox") ("Name" "Palavras")
                       ("Hot Spot" (rect 20 72 200 178)) ("Font" (font "Arial" 10))
                       ("BackgroundColor" (rgb 255 255 255)) ("TextColor" (rgb 20 40 90))
                       ("SelectionColor" (rgb 20 40 90)) ("SelectionTextColor" (rgb 255 255 255))
                       ("OutlineColor" (rgb 200 120 20)) ("DrawBorder" true) ("BorderColor" (rgb 20 40 90))
                       ("LineSpacing" 1) ("TextTopMargin" 2) ("SelectionGap" 4) ("SelectionIndex" 0)
                       ("Auto Activate" true)
                       ("ScrollBit" "lista_trilho.bmp") ("ThumbImage" "lista_cursor.bmp")
                       ("ThumbHighlight" "lista_cursor_claro.bmp")
                       ("UpArrowImage" "lista_cima.bmp") ("DownArrowImage" "lista_baixo.bmp")
                       ("List" (list "abacaxi" "abelha" "ab\xf3bora" "abra\xe7o" "acento" "acerola" "a\xe7\xfacar" "\xe1gua"
                             "aldeia" "alegria" "alface" "alfinete" "algod\xe3o" "alma" "almo\xe7o" "amendoim"
                             "amizade" "amor" "andar" "andorinha" "anel" "animal" "ano" "areia" "arroz" "\xe1rvore"
                             "asa" "assobio" "atlas" "aula" "avi\xe3o" "azeite" "baleia" "banana" "banco" "bandeira"
                             "barco" "batata" "beija-flor" "beterraba" "biblioteca" "bicicleta" "bigode" "bolo" "bolsa"
                             "borboleta" "borracha" "bra\xe7o" "brinquedo" "brisa" "b\xfassola" "cabelo" "cacau"
                             "cadeira" "caderno" "caf\xe9" "caj\xe1" "caju" "cal\xe7ada" "camelo" "camisa"
                             "can\xe7\xe3o" "caneta" "canoa" "capivara" "carneiro" "carta" "casa" "cavalo" "cebola"
                             "cenoura" "cesta" "c\xe9u" "chap\xe9u" "chave" "chuva" "cidade" "cigarra" "cinema"
                             "cip\xf3" "coelho" "colher" "colina" "computador" "concha" "copo" "cora\xe7\xe3o" "corda"
                             "coruja" "cozinha" "dado" "dan\xe7a" "dedo" "dente" "desenho" "deserto" "despertador"
                             "dia" "dicion\xe1rio" "dinheiro" "doce" "domingo" "drag\xe3o" "educa\xe7\xe3o" "elefante"
                             "encontro" "energia" "enxada" "escada" "escola" "espelho" "esquilo" "est\xe1tua" "estrela"
                             "faca" "fa\xedsca" "fam\xedlia" "farinha" "farofa" "farol" "feij\xe3o" "festa" "figo"
                             "fita" "flor" "floresta" "foca" "fog\xe3o" "folha" "fonte" "formiga" "fruta" "gaivota"
                             "galinha" "garfo" "gato" "gelo" "gengibre" "girafa" "girassol" "goiaba" "golfinho"
                             "gravata" "guarda-chuva" "guitarra" "harpa" "helic\xf3ptero" "her\xf3i" "hist\xf3ria"
                             "hoje" "hospital" "igreja" "ilha" "\xedm\xe3" "\xedndio" "inverno" "irm\xe3o" "isca"
                             "jabuticaba" "jacar\xe9" "janeiro" "janela" "jardim" "jasmim" "joia" "jovem" "lagarta"
                             "lago" "lagoa" "l\xe2mpada" "l\xe1pis" "laranja" "le\xe3o" "len\xe7o" "letra" "lim\xe3o"
                             "l\xedngua" "livro" "lobo" "lontra" "ma\xe7\xe3" "macaco" "m\xe3e" "mandioca" "manga"
                             "mapa" "mar" "maracuj\xe1" "martelo" "mel" "melancia" "menino" "mesa" "milho" "mochila"
                             "montanha" "morango" "m\xfasica" "nariz" "navio" "neblina" "neve" "ninho" "nome" "norte"
                             "n\xfamero" "nuvem" "oceano" "olho" "on\xe7a" "orelha" "ouro" "ovelha" "ovo" "pai"
                             "palavra" "panela" "p\xe3o" "papel" "parque" "p\xe1ssaro" "pato" "pedra" "peixe" "pente"
                             "p\xeassego" "piano" "pimenta" "pinheiro" "pipoca" "planeta" "ponte" "porta" "prato"
                             "primavera" "quadro" "queijo" "quilo" "quintal" "r\xe1dio" "rapadura" "rato" "rede"
                             "r\xe9gua" "rel\xf3gio" "rio" "rosa" "roupa" "sab\xe3o" "sabi\xe1" "sal" "sanfona"
                             "sapato" "sapo" "saudade" "seringueira" "serra" "sil\xeancio" "sino" "sol" "sombra"
                             "sonho" "sorvete" "tamandu\xe1" "tambor" "tapete" "tartaruga" "tatu" "teatro" "telhado"
                             "terra" "tesoura" "tigre" "tijolo" "tomate" "travesseiro" "trem" "trigo" "umbigo"
                             "uniforme" "universo" "urso" "uva" "vaca" "vale" "vela" "vento" "ver\xe3o" "vestido"
                             "viagem" "vidro" "vila" "viol\xe3o" "vizinho" "vulc\xe3o" "xadrez" "xarope" "x\xedcara"
                             "zang\xe3o" "zebra")))
              (control ("Class" "MultiListBox") ("Name" "Frutas")
                       ("Hot Spot" (rect 20 274 200 98)) ("Font" (font "Arial" 10))
                       ("BackgroundColor" (rgb 255 255 255)) ("TextColor" (rgb 20 40 90))
                       ("SelectionColor" (rgb 60 130 80)) ("SelectionTextColor" (rgb 255 255 255))
                       ("OutlineColor" (rgb 200 120 20)) ("DrawBorder" true) ("BorderColor" (rgb 20 40 90))
                       ("LineSpacing" 1) ("TextTopMargin" 2) ("SelectionGap" 4)
                       ("ScrollBit" "lista_trilho.bmp") ("ThumbImage" "lista_cursor.bmp")
                       ("ThumbHighlight" "lista_cursor_claro.bmp")
                       ("UpArrowImage" "lista_cima.bmp") ("DownArrowImage" "lista_baixo.bmp")
                       ("List" (list "Abacate" "Acerola" "Banana" "Caju" "Goiaba" "Jabuticaba" "Laranja" "Manga" "Maracuj\xe1" "Pitanga" "Tangerina" "Uva")))
              ; The bottom strip: an edit field taking digits only, a drop-down list of the 27 units of
              ; the federation and a menu of the regions whose items cascade into their capitals; the
              ; line under them says what was typed or chosen.
              (control ("Class" "StaticText") ("Name" "RotuloNumero")
                       ("Text Region" (rect 20 382 150 16)) ("Text" "Um n\xfamero de 1 a 2000:")
                       ("Font" (font "Arial" 9)) ("Bold" true) ("Foreground Color" (rgb 20 28 60))
                       ("Background Color" (rgb 200 210 235)))
              (control ("Class" "TextField") ("Name" "Numero")
                       ("Hot Spot" (rect 20 400 150 24)) ("Border" true) ("Font" (font "Arial" 10))
                       ("ForegroundColor" (rgb 25 25 25)) ("BackgroundColor" (rgb 255 255 255))
                       ("Filter" "0123456789") ("MaxLength" 4) ("MinValue" 1) ("MaxValue" 2000)
                       ("Format" "%ld") ("StringValue" "1500")
                       ("Action" "ShowState") ("Label" "LegendaCampos") ("Caption" "N\xfamero digitado: "))
              (control ("Class" "StaticText") ("Name" "RotuloEstado")
                       ("Text Region" (rect 190 382 190 16)) ("Text" "Uma unidade da federa\xe7\xe3o:")
                       ("Font" (font "Arial" 9)) ("Bold" true) ("Foreground Color" (rgb 20 28 60))
                       ("Background Color" (rgb 200 210 235)))
              (control ("Class" "ComboBox") ("Name" "Estados")
                       ("Hot Spot" (rect 190 400 190 24)) ("Font" (font "Arial" 10)) ("MaxItems" 8)
                       ("LineSpacing" 18) ("SelectionImage" "lista_escolha.bmp")
                       ("ScrollBit" "lista_trilho.bmp") ("ThumbImage" "lista_cursor.bmp")
                       ("ThumbHighlight" "lista_cursor_claro.bmp")
                       ("UpArrowImage" "lista_cima.bmp") ("DownArrowImage" "lista_baixo.bmp")
                       ("List" (list "Acre" "Alagoas" "Amap\xe1" "Amazonas" "Bahia" "Cear\xe1" "Distrito Federal"
                                     "Esp\xedrito Santo" "Goi\xe1s" "Maranh\xe3o" "Mato Grosso" "Mato Grosso do Sul"
                                     "Minas Gerais" "Par\xe1" "Para\xedba" "Paran\xe1" "Pernambuco" "Piau\xed"
                                     "Rio de Janeiro" "Rio Grande do Norte" "Rio Grande do Sul" "Rond\xf4nia"
                                     "Roraima" "Santa Catarina" "S\xe3o Paulo" "Sergipe" "Tocantins"))
                       ("Action" "ShowState") ("Label" "LegendaCampos") ("Caption" "Unidade escolhida: "))
              (control ("Class" "Menu") ("Name" "Capitais")
                       ("Hot Spot" (rect 400 400 220 24)) ("Font" (font "Arial" 10))
                       ("FixedX" 400) ("FixedY" 262)
                       ("Items" (list "Norte" "Nordeste" "Centro-Oeste" "Sudeste" "Sul" "---" "Sobre este menu"))
                       ("CascadingItems"
                        (list (list "Rio Branco" "Macap\xe1" "Manaus" "Bel\xe9m" "Porto Velho" "Boa Vista" "Palmas")
                              (list "Macei\xf3" "Salvador" "Fortaleza" "S\xe3o Lu\xeds" "Jo\xe3o Pessoa" "Recife"
                                    "Teresina" "Natal" "Aracaju")
                              (list "Bras\xedlia" "Goi\xe2nia" "Cuiab\xe1" "Campo Grande")
                              (list "Vit\xf3ria" "Belo Horizonte" "Rio de Janeiro" "S\xe3o Paulo")
                              (list "Curitiba" "Porto Alegre" "Florian\xf3polis")))
                       ("Results"
                        (list (list "Rio Branco, capital do Acre" "Macap\xe1, capital do Amap\xe1"
                                    "Manaus, capital do Amazonas" "Bel\xe9m, capital do Par\xe1"
                                    "Porto Velho, capital de Rond\xf4nia" "Boa Vista, capital de Roraima"
                                    "Palmas, capital do Tocantins")
                              (list "Macei\xf3, capital de Alagoas" "Salvador, capital da Bahia"
                                    "Fortaleza, capital do Cear\xe1" "S\xe3o Lu\xeds, capital do Maranh\xe3o"
                                    "Jo\xe3o Pessoa, capital da Para\xedba" "Recife, capital de Pernambuco"
                                    "Teresina, capital do Piau\xed" "Natal, capital do Rio Grande do Norte"
                                    "Aracaju, capital de Sergipe")
                              (list "Bras\xedlia, capital federal, no Distrito Federal" "Goi\xe2nia, capital de Goi\xe1s"
                                    "Cuiab\xe1, capital de Mato Grosso" "Campo Grande, capital de Mato Grosso do Sul")
                              (list "Vit\xf3ria, capital do Esp\xedrito Santo" "Belo Horizonte, capital de Minas Gerais"
                                    "Rio de Janeiro, capital do estado do Rio de Janeiro"
                                    "S\xe3o Paulo, capital do estado de S\xe3o Paulo")
                              (list "Curitiba, capital do Paran\xe1" "Porto Alegre, capital do Rio Grande do Sul"
                                    "Florian\xf3polis, capital de Santa Catarina")
                              nil
                              "Um menu em cascata: as capitais de cada regi\xe3o do Brasil."))
                       ("Action" "ShowState") ("Label" "LegendaCampos") ("Caption" ""))
              (control ("Class" "StaticText") ("Name" "RotuloCapitais")
                       ("Text Region" (rect 400 382 220 16)) ("Text" "Um menu em cascata:")
                       ("Font" (font "Arial" 9)) ("Bold" true) ("Foreground Color" (rgb 20 28 60))
                       ("Background Color" (rgb 200 210 235)))
              (control ("Class" "StaticText") ("Name" "FaceCapitais")
                       ("Text Region" (rect 400 400 220 24)) ("Text" "  As capitais, por regi\xe3o  \xbb")
                       ("Font" (font "Arial" 10)) ("Foreground Color" (rgb 255 255 255))
                       ("Background Color" (rgb 20 40 90)) ("VAlign" "Center"))
              (control ("Class" "StaticText") ("Name" "LegendaCampos")
                       ("Text Region" (rect 20 432 600 22))
                       ("Text" "Digite um n\xfamero e tecle Enter, escolha uma unidade ou uma capital.")
                       ("Font" (font "Arial" 10)) ("Foreground Color" (rgb 20 28 60))
                       ("Background Color" (rgb 200 210 235)) ("VAlign" "Center")))))
