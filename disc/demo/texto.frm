; The planets article in pages: Page Down and Page Up step through them; its hot texts open a
; dialog or show the table; Imprimir prints it with a title, a header and a footer.
(form ("Class" "DemoForm")
       ("Name" "Texto")
       ("Background Image" "papel.bmp")
       ("Control List"
        (list (control ("Class" "TextView") ("Name" "Artigo")
                       ("Hot Spot" (rect 40 60 560 360)) ("Auto Activate" true)
                       ("Font" (font "Times New Roman" 11)) ("Action" "HotText")
                       ("Text" "\\qc{\\b Os planetas do Sistema Solar}\\par\\ql
\\par
O Sistema Solar tem {\\b oito planetas}, que giram em torno do Sol em \xf3rbitas quase circulares. Os quatro mais pr\xf3ximos do Sol \x97 Merc\xfario, V\xeanus, Terra e Marte \x97 s\xe3o {\\i planetas rochosos}, de superf\xedcie s\xf3lida. J\xfapiter e Saturno s\xe3o {\\i gigantes gasosos}, feitos sobretudo de hidrog\xeanio e h\xe9lio; Urano e Netuno s\xe3o {\\i gigantes gelados}.\\par
\\par
{bmc planetas.bmp\\}\\par
\\par
A luz do Sol leva cerca de {\\ul oito minutos} para chegar \xe0 Terra. V\xeanus \xe9 o planeta mais quente: sua atmosfera espessa de g\xe1s carb\xf4nico ret\xe9m o calor, e a superf\xedcie passa de 460 graus Celsius. Um ano em Marte dura 687 dias terrestres. Os dados dos planetas rochosos est\xe3o na {\\uldb tabela dos planetas}!\\{marcador:tabela\\}.\\par
\\par
Em 2006 a Uni\xe3o Astron\xf4mica Internacional definiu o que \xe9 um planeta, e Plut\xe3o passou a ser um {\\strike planeta an\xe3o}.\\par
\\page
{\\uldb marker}!\\{m:tabela\\}{\\b Os planetas rochosos}\\par
\\par
\\pard\\tqr\\tx2400\\tqr\\tx3600{\\b Planeta\\tab Di\xe2metro (km)\\tab Luas}\\par
Merc\xfario\\tab 4 879\\tab 0\\par
V\xeanus\\tab 12 104\\tab 0\\par
Terra\\tab 12 742\\tab 1\\par
Marte\\tab 6 779\\tab 2\\par
\\pard\\par
Urano foi descoberto por William Herschel em 1781, e Netuno em 1846. Os an\xe9is de Saturno s\xe3o feitos principalmente de gelo de \xe1gua.\\par
\\par
{\\uldb Sobre este disco}!\\{dialogo:sobre.frm\\}\\par"))
              (control ("Class" "velControlObject") ("Name" "Voltar")
                       ("Hot Spot" (rect 20 440 150 30)) ("Target Form" "galeria.frm"))
              (control ("Class" "velControlObject") ("Name" "Imprimir")
                       ("Hot Spot" (rect 470 440 150 30)) ("Action" "PrintText") ("Media" "Artigo")
                       ("Title" "Os planetas do Sistema Solar")))))
