VXTXT ; VENTOR server: search of contacts by words of name and town
 ; Every account has an ordinal n (^VXWNR(account) = n) and its reply row in ^VXWACC(n)
 ; (^VXWACC = how many accounts are numbered). For every folded word of a name or town,
 ; ^VXWBIT(word) = how many accounts have it and ^VXWBIT(word,c) is a bit string of CHUNK bits:
 ; bit n-(c*CHUNK)+1 is set when account n has the word. A search ANDs, chunk by chunk, the OR
 ; of the bit strings of the words each query word begins with, and reads the rows of the bits
 ; left: its cost follows the matches and the few chunks, never the accounts of a common word.
 Q
 ;
MAXHIT() Q 100 ; records of one reply
CHUNK() Q 24000 ; accounts per bit string (3001 bytes, within a record; a multiple of 800)
 ;
SEARCH(T) ; accounts whose words begin with every word of T, in account order
 N W,X,B,C,CH,LAST,Z,ZB,F,R,N,MH,O,L,J,K,S
 D WORDS^VXUTIL(T,.W)
 I $D(W)<10 Q ""
 I $D(^VXADR($$FOLD^VXUTIL(T))) Q $$ROW($$FOLD^VXUTIL(T))_$C(255)
 ; the query words, those of the fewest accounts first: a chunk is left the sooner
 S X="" F  S X=$O(W(X)) Q:X=""  D PREFIX(X,.W) Q:'W(X)  S O(W(X,"N"),X)=""
 I X'="" Q ""
 S (C,X)="",J=0 F  S C=$O(O(C)) Q:C=""  F  S X=$O(O(C,X)) Q:X=""  S J=J+1,L(J)=X
 S CH=$$CHUNK,Z=$ZBITSTR(CH),ZB=$E(Z,2,101),LAST=$G(^VXWACC)-1\CH,R="",N=0,MH=$$MAXHIT
 F C=0:1:LAST D  Q:N'<MH
 . S B="" F X=1:1:J S B=$$BITS(.W,L(X),C,B,Z) Q:B=Z
 . Q:B=Z
 . ; the set bits, looked for only in the parts of 800 that hold any
 . F K=0:1:CH\800-1 S S=$E(B,K*100+2,K*100+101) D:S'=ZB  Q:N'<MH
 . . S S=$C(0)_S,F=1 F  S F=$ZBITFIND(S,1,F) Q:'F  S R=R_^VXWACC(C*CH+(K*800)+F-2)_$C(255),N=N+1 Q:N'<MH
 Q R
 ;
PREFIX(P,W) ; W(P,i) = the index's words beginning with P, W(P) how many, W(P,"N") their accounts
 N X
 S (W(P),W(P,"N"))=0,X=$O(^VXWBIT(P),-1)
 F  S X=$O(^VXWBIT(X)) Q:X=""  Q:$E(X,1,$L(P))'=P  S W(P)=W(P)+1,W(P,W(P))=X,W(P,"N")=W(P,"N")+^VXWBIT(X)
 Q
 ;
BITS(W,P,C,B,Z) ; B ANDed with chunk C of the accounts having a word that begins with P
 N I,U
 S U=$G(^VXWBIT(W(P,1),C),Z) F I=2:1:W(P) S U=$ZBITOR(U,$G(^VXWBIT(W(P,I),C),Z))
 Q $S(B="":U,1:$ZBITAND(B,U))
 ;
OWN(A) ; " W1 W2 ... " the folded words of account A's name and town
 N D,V,X,S
 S D=^VXADR(A) D WORDS^VXUTIL($P(D,"`",2)_" "_$P(D,"`",7),.V)
 S S=" ",X="" F  S X=$O(V(X)) Q:X=""  S S=S_X_" "
 Q S
 ;
ROW(A) ; number, name, telephone, postcode, town
 N D S D=^VXADR(A)
 Q A_"`"_$$CLEAN^VXUTIL($P(D,"`",2))_"`"_$$FIRST^VXTEL(A,"T")_"`"_$P(D,"`",6)_"`"_$P(D,"`",7)
 ;
INDEX(A) ; puts one account into the word index, or brings its row and words up to date
 N N,S,I,X,C,CH,B,P
 S CH=$$CHUNK,N=$G(^VXWNR(A)) I N="" S N=$I(^VXWACC)-1,^VXWNR(A)=N
 S ^VXWACC(N)=$$ROW(A),C=N\CH,P=N#CH+1,S=$$OWN(A)
 F I=2:1:$L(S," ")-1 S X=$P(S," ",I),B=$G(^VXWBIT(X,C)) D
 . I B="" S B=$ZBITSTR(CH)
 . I '$ZBITGET(B,P) S ^VXWBIT(X,C)=$ZBITSET(B,P,1),^VXWBIT(X)=$G(^VXWBIT(X))+1
 Q
 ;
BUILD ; numbers every account and builds the whole index in one pass (generation, upgrade)
 ; The bit strings of a chunk are put together in memory and each is stored once.
 N A,N,S,I,X,L,K,CH,Z
 K ^VXWBIT,^VXWACC,^VXWNR
 S CH=$$CHUNK,Z=$ZBITSTR(CH),N=0,A=""
 F  S A=$O(^VXADR(A)) Q:A=""  D
 . S ^VXWACC(N)=$$ROW(A),^VXWNR(A)=N,S=$$OWN(A)
 . F I=2:1:$L(S," ")-1 S X=$P(S," ",I) S:'$D(L(X)) L(X)=Z S L(X)=$ZBITSET(L(X),N#CH+1,1),K(X)=$G(K(X))+1
 . S N=N+1 I N#CH=0 D STORE(.L,N-1\CH)
 D STORE(.L,N-1\CH)
 S ^VXWACC=N
 S X="" F  S X=$O(K(X)) Q:X=""  S ^VXWBIT(X)=K(X)
 Q
 ;
STORE(L,C) ; the chunk's bit strings into the index
 N X S X=""
 F  S X=$O(L(X)) Q:X=""  S ^VXWBIT(X,C)=L(X)
 K L
 Q
 ;
UPGRADE ; once per database: the index of an older version is built anew
 N A
 Q:$G(^VXPAR("WORTE"))=4
 D BUILD
 K ^VXWORT S A="" F  S A=$O(^VXADR(A)) Q:A=""  K:$D(^VXADR(A,"W")) ^VXADR(A,"W")
 S ^VXPAR("WORTE")=4
 Q
 ;
ENTRIES(X) ; accounts that have word X, counted in its bit strings
 N C,N S C="",N=0
 F  S C=$O(^VXWBIT(X,C)) Q:C=""  S N=N+$ZBITCOUNT(^VXWBIT(X,C))
 Q N
