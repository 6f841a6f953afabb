RUFAP ; VENTOR telephone routine: the entries the telephone client calls
 ; Every entry answers with its reply text: as $$ENTRY^RUFAP(...) it returns it, as
 ; D ENTRY^RUFAP(...) it writes it. List replies are records ended by $C(255), fields are
 ; separated by the backquote. FIRMA, FIL and PERSONAL are the connection's announcement.
 Q
 ;
PARAM() ; outside-line prefix, own area code without its 0, text for the line component
 N R S R=$G(^VXPAR("AMT"))_"`"_$G(^VXPAR("VORWAHL"))_"`"_$G(^VXPAR("LINIE"))
 Q:$Q R W R Q
 ;
TELSU(NR) ; owner of a telephone number: 17 fields, field 1 empty when nobody owns it
 N R S R=$$OWNER^VXTEL(NR)
 Q:$Q R W R Q
 ;
MIT(ABT) ; staff of a department: staff id, name, extension
 N R,P,B,N
 S R="",N=0
 I ABT'="" S P="" F  S P=$O(^VXABT(FIRMA,ABT,"M",P)) Q:P=""  D  Q:N'<200
 . S B=$G(^VXPB(FIRMA,P)),N=N+1
 . S R=R_P_"`"_$$CLEAN^VXUTIL($P(B,"`",1))_"`"_$P(B,"`",2)_$C(255)
 Q:$Q R W R Q
 ;
DPL(PNR,D) ; planned and clocked intervals of a staff member on a server date: 12 fields
 N H,R
 S H=$$HDAY^VXUTIL(D),R=""
 I PNR'="",H'="" S R=$G(^VXZEIT(FIRMA,PNR,H))
 S:R="" R="```````````"
 Q:$Q R W R Q
 ;
JOURADD(K,TXT,NR) ; appends a call to the user's journal of kind K
 N N
 S K=+K
 I K<3!(K>5) D FAIL^VXUTIL(9,"Journalart "_K)
 D WRITABLE^VXSEC
 TSTART ():SERIAL
 S N=$I(^VXJOUR(FIRMA,PERSONAL,K))
 S ^VXJOUR(FIRMA,PERSONAL,K,N)=$E(TXT,1,200)_"`"_$E(NR,1,60)_"`"_$H
 TCOMMIT
 D JOURNALED^VXSEC
 Q:$Q "" Q
 ;
JOURGET(K) ; the newest 100 journal entries of kind K, newest first: caption, number
 ; (the two fields cleaned as CLEAN^VXUTIL does, in one go: neither holds a backquote)
 N R,N,I
 S K=+K,R="",N=""
 I K'<3,K'>5 F I=1:1:100 S N=$O(^VXJOUR(FIRMA,PERSONAL,K,N),-1) Q:N=""  S R=R_$TR($P(^(N),"`",1,2),$C(255,10,13))_$C(255)
 Q:$Q R W R Q
 ;
ZWAHL() ; the user's speed-dial list ordered by sort key (entries without one last)
 N R,S,NR,E,K,G,NM
 S R="",NR=""
 F  S NR=$O(^VXZW(FIRMA,PERSONAL,NR)) Q:NR=""  D
 . S E=^VXZW(FIRMA,PERSONAL,NR),K=$P(E,"`",2)
 . S G=$S(K=0:3,K=+K:1,1:2)
 . S S(G,$S(G=1:+K,1:K_" "),$P(E,"`",1)_" ",NR)=""
 F G=1:1:3 S K="" F  S K=$O(S(G,K)) Q:K=""  S NM="" F  S NM=$O(S(G,K,NM)) Q:NM=""  D
 . S NR="" F  S NR=$O(S(G,K,NM,NR)) Q:NR=""  D
 . . S E=^VXZW(FIRMA,PERSONAL,NR)
 . . S R=R_$$CLEAN^VXUTIL($P(E,"`",1))_"`"_$$CLEAN^VXUTIL(NR)_"`"_$S($P(E,"`",2)="":0,1:$P(E,"`",2))_$C(255)
 ; last an entry without a number: activated, it opens the editor on the caller in the panel
 S R=R_"Neuer Eintrag``0"_$C(255)
 Q:$Q R W R Q
 ;
ZWSET(T) ; stores one speed-dial entry: number`name`sort key
 N NR,NM,SK
 S NR=$P(T,"`",1),NM=$P(T,"`",2),SK=$P(T,"`",3)
 I NR="" D FAIL^VXUTIL(9,"Rufnummer fehlt")
 I $L(NR)>60!($L(NM)>100)!($L(SK)>20) D FAIL^VXUTIL(9,"Eintrag zu lang")
 S:SK="" SK=0
 D WRITABLE^VXSEC
 TSTART ():SERIAL
 S ^VXZW(FIRMA,PERSONAL,NR)=NM_"`"_SK
 TCOMMIT
 D JOURNALED^VXSEC
 Q:$Q "" Q
 ;
ZWLOE(F,FL,NR) ; deletes one speed-dial entry of the user
 I F'=FIRMA D FAIL^VXUTIL(7)
 I NR'="",$L(NR)'>60 D WRITABLE^VXSEC TSTART ():SERIAL K ^VXZW(FIRMA,PERSONAL,NR) TCOMMIT  D JOURNALED^VXSEC
 Q:$Q "" Q
 ;
INT() ; internal departments: caption, department code
 N R,A
 S R="",A=""
 F  S A=$O(^VXABT(FIRMA,A)) Q:A=""  S R=R_$$CLEAN^VXUTIL($P(^VXABT(FIRMA,A),"`",1))_"`"_A_$C(255)
 Q:$Q R W R Q
 ;
TXTSU(T) ; contacts whose name or town holds every word of T: number, name, phone, postcode, town
 N R S R=$$SEARCH^VXTXT(T)
 Q:$Q R W R Q
 ;
OPSU(N) ; open items of customer K<N>: row of eight columns (separated by $C(10)), marker
 N R S R=$$ITEMS^VXOP(N)
 Q:$Q R W R Q
