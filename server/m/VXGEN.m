VXGEN ; VENTOR server: deterministic German demo data
 ; Every account is made from its own random stream, so the data of account i does not depend
 ; on the number of accounts; dates lie around the day of generation.
 Q
 ;
INIT ; telephone parameters of a new database
 S ^VXPAR("AMT")=0 ; outside-line prefix
 S ^VXPAR("VORWAHL")=30 ; own area code without its 0 (Berlin)
 S ^VXPAR("LINIE")="VENTOR"
 S ^VXPAR("WORTE")=4 ; the word index holds bit strings of the accounts per word
 Q
 ;
GEN ; from the command line: mumps -run GEN^VXGEN customers
 N N S N=+$ZCMDLINE S:N<1 N=10000
 D ALL(N)
 Q
 ;
ALL(N) ; customers K..., N/5 suppliers L..., staff, journals and speed dial
 N T0,I,RS,TODAY
 S T0=$ZUT,TODAY=+$H
 K ^VXADR,^VXTEL,^VXWORT,^VXWBIT,^VXWACC,^VXWNR,^VXOP,^VXPERS,^VXABT,^VXPB,^VXZEIT,^VXJOUR,^VXZW
 D INIT
 S ^VXPAR("KUNDEN")=N
 D SHOWCASE
 F I=1:1:N-1 D CUSTOMER(I)
 F I=0:1:(N\5)-1 D SUPPLIER(I)
 D BUILD^VXTXT
 D STAFF,JOURNALS,SPEEDDIAL
 W "generated ",N," customers and ",N\5," suppliers in ",$J($ZUT-T0/1E6,0,1)," s",!
 Q
 ;
 ; ---- random stream (Park-Miller), one per account ----
SEED(K) S RS=K*48271#2147483647+1 F  Q:RS>1000  S RS=RS*16807#2147483647
 Q
RND(N) ; 0 .. N-1
 S RS=RS*16807#2147483647
 Q RS#N
PICK(L) ; one entry of a list label
 N C S C=$P($T(@L),";",3)
 Q $P(C,"|",$$RND($L(C,"|"))+1)
 ;
 ; ---- accounts ----
SHOWCASE ; the first customer, used in demonstrations: every spelling of its numbers
 N A S A="K100000"
 S ^VXADR(A)="Firma`Müller Bau GmbH`Bauunternehmen`Schönhauser Allee 12`D`10435`Berlin`info@mueller-bau.example"
 S ^VXADR(A,"N",1)="T`030 / 123 45-6"
 S ^VXADR(A,"N",2)="F`+49 30 123457"
 S ^VXADR(A,"N",3)="M`0171 / 555 01 23"
 S ^VXADR(A,"N",4)="T`12 34 58"
 S ^VXADR(A,"N",5)="T`0049 (0)30 1234590"
 S ^VXADR(A,"N",6)="T`(030) 98765-0"
 S ^VXADR(A,"K")="2`"_(TODAY-12)_"`"_(TODAY-3)_"`"_12840.5_"`"_98450.75_"`"_143210
 S ^VXOP(A,"2400101")=(TODAY-95)_"`"_(TODAY-95)_"`"_4820.4_"``"_(TODAY-65)_"`2"
 S ^VXOP(A,"2400188")=(TODAY-50)_"`"_(TODAY-50)_"`"_7310.1_"``"_(TODAY-20)_"`1"
 S ^VXOP(A,"2400230")=(TODAY-10)_"`"_(TODAY-10)_"`"_1290_"``"_(TODAY+20)_"`0"
 S ^VXOP(A,"2400231")=(TODAY-8)_"`"_(TODAY-8)_"``580`"_(TODAY-8)_"`0"
 D INDEX^VXTEL(A)
 Q
 ;
CUSTOMER(I) ;
 N A,T,K,J,O,S,B,V,F,M,SUM
 S A="K"_(100000+I) D SEED(I*2+1)
 D ADDRESS(A,I,"BRK")
 S K=$$RND(10),M=0,SUM=0
 I K<4 F J=1:1:$$RND(5)+1 D
 . S B=TODAY-$$RND(150),F=B+30,V=$$RND(1500000)/100+20,O=TODAY-F
 . S S=$S(O>60:3,O>30:2,O>14:1,1:0) S:$$RND(4)=0 S=0 S:S>M M=S
 . I $$RND(10)=0 S ^VXOP(A,2400000+(I*8)+J)=B_"`"_B_"``"_V_"`"_B_"`0",SUM=SUM-V Q
 . S ^VXOP(A,2400000+(I*8)+J)=B_"`"_B_"`"_V_"``"_F_"`"_S,SUM=SUM+V
 S ^VXADR(A,"K")=M_"`"_$S(M:TODAY-$$RND(20),1:"")_"`"_(TODAY-$$RND(200))_"`"_SUM_"`"_($$RND(20000000)/100)_"`"_($$RND(30000000)/100)
 D INDEX^VXTEL(A)
 Q
 ;
SUPPLIER(I) ;
 N A S A="L"_(10000+I) D SEED(I*2+2)
 D ADDRESS(A,I+1000000,"BRL")
 D INDEX^VXTEL(A)
 Q
 ;
ADDRESS(A,I,BR) ; name, address and numbers; I makes the subscriber numbers unique
 N TOWN,AREA,PLZ,NM,AN,FIRM,SUB,FAX,LG,N
 S TOWN=$$PICKTOWN,AREA=$P(TOWN,"|",3)
 S PLZ=$P(TOWN,"|",2)+$$RND(+$P(TOWN,"|",4)+1),PLZ=$E(100000+PLZ,2,6)
 S FIRM=(BR="BRL")!($$RND(10)<7)
 I FIRM S AN="Firma",NM=$$FIRMNAME
 E  S AN=$S($$RND(2):"Herr",1:"Frau"),NM=$$PICK("SURNAME")_", "_$$PICK($S(AN="Herr":"MALE",1:"FEMALE"))
 S ^VXADR(A)=AN_"`"_NM_"`"_$S(FIRM:$$PICK(BR),1:"Privatkunde")_"`"_$$PICK("STREET")_" "_($$RND(120)+1)_"`D`"_PLZ_"`"_$P(TOWN,"|",1)_"`"_$$MAIL(NM,I)
 ; subscriber numbers: 7 digits in cities with short area codes, 6 elsewhere, unique per account
 S LG=$S($L(AREA)<4:2000000,1:200000),SUB=LG+(I*3),FAX=SUB+1
 S N=0
 S N=N+1,^VXADR(A,"N",N)="T`"_$$SPELL(AREA,SUB,$$RND(9),FIRM)
 I FIRM!($$RND(3)=0) S N=N+1,^VXADR(A,"N",N)="F`"_$$SPELL(AREA,FAX,$$RND(9),0)
 I $$RND(3)=0 S N=N+1,^VXADR(A,"N",N)="M`"_$$MOBILE(I)
 Q
 ;
SPELL(AREA,SUB,K,CENTRAL) ; one number as people type it into an ERP
 I CENTRAL,K=0 Q "0"_AREA_" "_SUB_"-0"
 I K=0 Q "0"_AREA_" / "_$E(SUB,1,3)_" "_$E(SUB,4,5)_"-"_$E(SUB,6,9)
 I K=1 Q "+49 "_AREA_" "_SUB
 I K=2 Q "0"_AREA_"-"_SUB
 I K=3 Q "(0"_AREA_") "_SUB
 I K=4 Q "0"_AREA_" "_$E(SUB,1,2)_" "_$E(SUB,3,4)_" "_$E(SUB,5,9)
 I K=5 Q "0049 "_AREA_" "_SUB
 I K=6 Q $S(AREA=^VXPAR("VORWAHL"):SUB,1:"0"_AREA_SUB)
 I K=7 Q "+49 (0)"_AREA_" "_SUB
 Q "0"_AREA_"/"_SUB
 ;
MOBILE(I) ;
 N P,S S P=$$PICK("MOBIL"),S=$E(3000000+I,1,7)
 Q $S(I#3=0:"0"_P_" "_S,I#3=1:"0"_P_"-"_S,1:"+49 "_P_" "_S)
 ;
MAIL(NM,I) ;
 N X S X=$$FOLD^VXUTIL($P($P(NM,",",1)," ",1)),X=$TR(X,"ABCDEFGHIJKLMNOPQRSTUVWXYZ&.-","abcdefghijklmnopqrstuvwxyz")
 Q $S(I#4=0:"",1:"info@"_X_(I#997)_".example")
 ;
FIRMNAME() ;
 N S,K S S=$$PICK("SURNAME"),K=$$RND(8)
 I K=0 Q S_" Bau GmbH"
 I K=1 Q S_" & Söhne KG"
 I K=2 Q "Hoch- und Tiefbau "_S_" GmbH"
 I K=3 Q S_" Dachbau GmbH & Co. KG"
 I K=4 Q "Malerbetrieb "_S
 I K=5 Q S_" Haustechnik GmbH"
 I K=6 Q "Baugeschäft "_S_" e.K."
 Q S_" "_$$PICK("SURNAME")_" GbR"
 ;
PICKTOWN() ; half the accounts in Berlin, most others in Brandenburg
 N R S R=$$RND(100)
 Q $P($T(TOWNS+$S(R<50:1,R<80:2+$$RND(9),1:11+$$RND(10))),";",3)
 ;
 ; ---- staff ----
STAFF ; departments and staff of company 1, with planned and clocked times
 N L,I,D,P,C,H,F
 F I=1:1 S L=$P($T(DEPTS+I),";",3) Q:L=""  S ^VXABT(1,$P(L,"|",1))=$P(L,"|",2)
 F I=1:1 S L=$P($T(PEOPLE+I),";",3) Q:L=""  D
 . S C=$P(L,"|",1),P=1000+I,D=$P(L,"|",2)
 . D SEED(P)
 . S ^VXPERS(1,C)=P_"`"_D_"`"_$P(L,"|",5)_"`"_$P(L,"|",3)_"`"_$$NEWHASH^VXOBJ($P(L,"|",6),$$SALT)
 . S ^VXPB(1,P)=$$PNAMEODBC^VXOBJ($P(L,"|",3))_"`"_$P(L,"|",4)_"`"_C
 . S ^VXABT(1,D,"M",P)=""
 . F H=TODAY-14:1:TODAY+14 D DAY(P,H,$P(L,"|",7))
 Q
 ;
SALT() ; 16 characters of the crypt alphabet
 N S,I,A S S="",A="./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
 F I=1:1:16 S S=S_$E(A,$$RND(64)+1)
 Q S
 ;
DAY(P,H,SH) ; the intervals of one working day: two planned, up to four clocked
 N WD,B,E,R,NOW,J,I,X
 ; the yard is open on Saturdays and for emergencies on Sundays: fewer people then
 S WD=H+4#7 I WD=6,$$RND(2) Q
 I WD=0,$$RND(4) Q
 S B=$S(SH="F":360,SH="S":540,1:420),E=B+510
 I $$RND(12)=0 Q  ; day off
 S R=$$HM(B)_"`"_$$HM(B+300)_"`"_$$HM(B+330)_"`"_$$HM(E)
 I H>TODAY S ^VXZEIT(1,P,H)=R_"````````" Q
 I $$RND(10)=0 S ^VXZEIT(1,P,H)=R_"````````" Q  ; ill
 S NOW=$S(H<TODAY:1440,1:$P($H,",",2)\60)
 S J(1)=B-$$RND(12),J(2)=B+300+$$RND(6),J(3)=B+330-$$RND(4),J(4)=E+$$RND(15)
 F I=1:1:4 Q:J(I)>NOW  S $P(X,"`",I)=$$HM(J(I))
 I $G(X)'="",$L(X,"`")#2=1 S X=X_"`"
 S ^VXZEIT(1,P,H)=R_"`"_$G(X)_$E("````````",1,$S($G(X)="":7,1:8-$L(X,"`")))
 Q
 ;
HM(M) Q $E(100+(M\60),2,3)_":"_$E(100+(M#60),2,3)
 ;
JOURNALS ; recent calls of the demo users
 N U,K,I,A,D,T,NR,H
 F U="MEIER","SCHULZ" F K=3,4,5 D SEED($A(U)*10+K) F I=1:1:$S(U="MEIER":40,1:12) D
 . S A="K"_(100000+$$RND(50)),D=$G(^VXADR(A)) Q:D=""
 . S NR=$$NORM^VXUTIL($$FIRST^VXTEL(A,"T")),H=TODAY-20+(I\2)
 . S T=$P(D,"`",2)_$J("",16)_$ZD(H,"DD.MM.YEAR")_" "_$$HM(420+$$RND(600))
 . S ^VXJOUR(1,U,K,I)=T_"`"_NR_"`"_H_","_$$RND(86400),^VXJOUR(1,U,K)=I
 Q
 ;
SPEEDDIAL ;
 N L,I
 F I=1:1 S L=$P($T(ZW+I),";",3) Q:L=""  S ^VXZW(1,$P(L,"|",1),$P(L,"|",2))=$P(L,"|",3)_"`"_$P(L,"|",4)
 Q
 ;
 ; ---- lists ----
DEPTS ;
 ;;10|Verkauf Innendienst
 ;;20|Verkauf Außendienst
 ;;30|Lager
 ;;40|Buchhaltung
 ;;50|Einkauf
 ;;60|Geschäftsleitung
 ;;70|Fuhrpark
 ;;80|Ausstellung
 ;
PEOPLE ; code|department|stored name|extension|active|password|shift
 ;;MEIER|10|Meier, Hans|21|J|telefon|N
 ;;SCHULZ|40|Schulz, Petra|41|J|telefon|N
 ;;ALT|30|Alt, Werner|31|N|telefon|F
 ;;BECKER|10|Becker, Jürgen|22|J|bk4711|N
 ;;KOEHLER|10|Köhler, Sabine|23|J|sk0815|S
 ;;WAGNER|10|Wagner, Thomas|24|J|tw2211|N
 ;;FISCHER|20|Fischer, Andreas|25|J|af9911|F
 ;;KRUEGER|20|Krüger, Monika|26|J|mk3141|N
 ;;WEBER|30|Weber, Uwe|32|J|uw2718|F
 ;;SCHAEFER|30|Schäfer, Dieter|33|J|ds1618|F
 ;;HAHN|30|Hahn, Björn|34|J|bh1414|S
 ;;VOGEL|40|Vogel, Ute|42|J|uv1732|N
 ;;LANGE|50|Lange, Frank|51|J|fl2236|N
 ;;ZIEGLER|50|Ziegler, Karin|52|J|kz1123|S
 ;;KOENIG|60|König, Wolfgang|10|J|wk5813|N
 ;;GROSS|60|Groß, Claudia|11|J|cg2134|N
 ;;BRAUN|70|Braun, Günter|71|J|gb5589|F
 ;;ROTH|70|Roth, Stefan|72|J|sr1442|F
 ;;JAEGER|80|Jäger, Heike|81|J|hj3377|S
 ;;SOMMER|80|Sommer, Sören|82|J|ss6100|N
 ;
ZW ; user|number|name|sort key
 ;;MEIER|030 / 123 45-6|Müller Bau GmbH|1
 ;;MEIER|31|Lager|2
 ;;MEIER|41|Buchhaltung Schulz|3
 ;;MEIER|0171 / 555 01 23|Müller mobil|0
 ;;MEIER|089 4711 0815|Ziegelwerk Süd|0
 ;;SCHULZ|21|Meier Verkauf|1
 ;;SCHULZ|030 / 123 45-6|Müller Bau GmbH|0
 ;
TOWNS ; town|first postcode|area code|postcode range
 ;;Berlin|10115|30|3800
 ;;Potsdam|14467|331|100
 ;;Oranienburg|16515|3301|0
 ;;Bernau bei Berlin|16321|3338|0
 ;;Königs Wusterhausen|15711|3375|0
 ;;Fürstenwalde/Spree|15517|3361|0
 ;;Eberswalde|16225|3334|2
 ;;Brandenburg an der Havel|14770|3381|6
 ;;Cottbus|03042|355|12
 ;;Frankfurt (Oder)|15230|335|6
 ;;Hamburg|20095|40|900
 ;;München|80331|89|800
 ;;Köln|50667|221|400
 ;;Frankfurt am Main|60311|69|300
 ;;Stuttgart|70173|711|300
 ;;Düsseldorf|40210|211|400
 ;;Leipzig|04103|341|250
 ;;Dresden|01067|351|250
 ;;Hannover|30159|511|500
 ;;Nürnberg|90402|911|400
 ;
SURNAME ;;Müller|Schmidt|Schneider|Fischer|Weber|Meyer|Wagner|Becker|Schulz|Hoffmann|Schäfer|Koch|Bauer|Richter|Klein|Wolf|Schröder|Neumann|Schwarz|Zimmermann|Braun|Krüger|Hofmann|Hartmann|Lange|Schmitt|Werner|Schmitz|Krause|Meier|Lehmann|Schmid|Schulze|Maier|Köhler|Herrmann|König|Walter|Mayer|Huber|Kaiser|Fuchs|Peters|Lang|Scholz|Möller|Weiß|Jung|Hahn|Schubert|Vogel|Friedrich|Keller|Günther|Frank|Berger|Winkler|Roth|Beck|Lorenz|Baumann|Franke|Albrecht|Schuster|Simon|Ludwig|Böhm|Winter|Kraus|Martin|Schumacher|Krämer|Vogt|Stein|Jäger|Otto|Sommer|Groß|Seidel|Heinrich|Brandt|Haas|Schreiber|Graf|Schulte|Dietrich|Ziegler|Kuhn|Kühn|Pohl|Engel|Horn|Busch|Bergmann|Thomas|Voigt|Sauer|Arnold|Wolff|Pfeiffer
MALE ;;Hans|Peter|Klaus|Jürgen|Wolfgang|Michael|Thomas|Andreas|Stefan|Frank|Uwe|Bernd|Jörg|Günter|Dieter|Sören|Björn|Matthias|Ralf|Torsten
FEMALE ;;Sabine|Petra|Monika|Ursula|Claudia|Andrea|Birgit|Susanne|Karin|Renate|Ute|Heike|Martina|Jutta|Bärbel|Gabriele|Anja|Kerstin|Doreen|Manuela
BRK ;;Bauunternehmen|Dachdecker|Zimmerei|Fliesenleger|Malerbetrieb|Sanitär und Heizung|Elektroinstallation|Garten- und Landschaftsbau|Trockenbau|Tischlerei|Hausverwaltung|Architekturbüro|Stuckateur|Estrichleger|Gerüstbau
BRL ;;Baustoffhersteller|Ziegelwerk|Zementwerk|Holzhandel|Dämmstoffe|Sanitärgroßhandel|Spedition|Fliesenhersteller|Werkzeughandel|Betonwerk
STREET ;;Hauptstraße|Bahnhofstraße|Gartenstraße|Dorfstraße|Schulstraße|Lindenstraße|Berliner Straße|Kirchstraße|Waldstraße|Ringstraße|Mühlenweg|Am Markt|Friedrichstraße|Schönhauser Allee|Müllerstraße|Prenzlauer Allee|Große Straße|Birkenweg|Industriestraße|Gewerbering|Rosenstraße|Poststraße|Am Güterbahnhof|Köpenicker Straße|Fürstenwalder Damm
MOBIL ;;151|160|170|171|172|175|176|177|178|179
