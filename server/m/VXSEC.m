VXSEC ; VENTOR server security: logins, sessions, failed-login delays, connection caps, log
 ; ^VXSEC("F",kind,key) = failures in a row ` time of the last one (seconds since 1970)
 ;   kind "U": a user (company||code, whether it exists or not), kind "A": a client address
 ; ^VXSEC("S",token) = company ` user ` expiry; ^VXSEC("SU",company,user,expiry,token) = ""
 ; Limits come from the environment the server was started with (ventor-server start):
 ; VENTOR_IDLE, VENTOR_FRAME, VENTOR_MAXADDR, VENTOR_MAXCONN, VENTOR_SESSION, VENTOR_LOCKCAP.
 Q
 ;
CONF(N,D) ; the limit VENTOR_<N>, D when it is not set
 N V S V=$ZTRNLNM("VENTOR_"_N)
 Q $S(V?1.9N:+V,1:D)
 ;
NOW() ; seconds since 1970 with microseconds
 Q $ZUT/1000000
 ;
 ; --- connections ---
 ;
ADMIT() ; 1 when the connection may stay: a slot of its client address and one of the server
 ; A slot is a lock; the lock of a process that ended (even by SIGKILL) is free again.
 N I,N,OK
 S N=$$CONF("MAXADDR",50),OK=0
 F I=1:1:N L +^VXSEC("C",VXS("PEER"),I):0 I  S OK=1 Q
 I 'OK Q 0
 S N=$$CONF("MAXCONN",300),OK=0
 F I=1:1:N L +^VXSEC("C",I):0 I  S OK=1 Q
 Q OK
 ;
 ; --- logins ---
 ;
LOGIN(FI,US,PW) ; 1 when user US of company FI logs in with PW
 ; Guesses for one user are taken one at a time; after failures in a row the next check waits
 ; (1 s after 3 failures, doubling up to VENTOR_LOCKCAP). A wait longer than a client waits
 ; for its answer is not served: the attempt is refused unchecked. Unknown users cost the same
 ; hash as known ones.
 N U,A,W,R,OK
 S U=$$KEY(FI,US),A=VXS("PEER")
 L +^VXSEC("F","U",U):30 E  Q 0
 S VXS("ULOCK")=$NA(^VXSEC("F","U",U))
 S W=$$WAIT("U",U,3),R=$$WAIT("A",A,10) S:R>W W=R
 I W>5 D  Q 0
 . S VXS("LOCKED")=W\1+1
 . D LOG("login locked for "_VXS("LOCKED")_" s: "_U)
 . D UNLOCK
 H:W>0 W
 S R=$S($$VALID(FI,US):$G(^VXPERS(FI,US)),1:"")
 S OK=$$MATCH^VXOBJ(PW,$S(R="":$$NOBODY,1:$P(R,"`",5)))
 S OK=OK&($P(R,"`",3)="J")
 I OK K:$D(^VXSEC("F","U",U)) ^VXSEC("F","U",U) K:$D(^VXSEC("F","A",A)) ^VXSEC("F","A",A)
 E  D FAIL("U",U),FAIL("A",A),LOG("login failed: "_U)
 D UNLOCK
 Q OK
 ;
UNLOCK ; lets the next guess for the user in; also after an error during the check
 I $D(VXS("ULOCK")) L -@VXS("ULOCK") K VXS("ULOCK")
 Q
 ;
VALID(FI,US) ; company and user code fit the staff records' keys
 Q FI?1.9N&(US'="")&($L(US)'>40)&($TR(US,$$CTRL)=US)
 ;
KEY(FI,US) ; the failure key of a user, also for texts that are no valid code
 Q $E(FI,1,12)_"||"_$E($TR(US,$$CTRL),1,40)
 ;
CTRL() ; the control characters no typed text holds
 Q $C(0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,127)
 ;
NOBODY() ; a hash no password matches, checked for unknown users so that they take as long
 ; Its salt is as long as the stored ones (16): the rounds hash the salt with the password, and
 ; a shorter one takes fewer blocks for some password lengths.
 Q "$6$VXnobodyVXsaltVX$*"
 ;
WAIT(K,KEY,T) ; seconds until the next check for KEY of kind K is allowed
 N F,N
 S F=$G(^VXSEC("F",K,KEY)),N=+F
 I N<T Q 0
 I $$NOW-$P(F,"`",2)>3600 Q 0
 S N=2**(N-T) S:N>$$CONF("LOCKCAP",60) N=$$CONF("LOCKCAP",60)
 Q $P(F,"`",2)+N-$$NOW
 ;
FAIL(K,KEY) ; one more failure in a row; failures older than an hour are forgotten
 N F,N
 S F=$G(^VXSEC("F",K,KEY)),N=+F
 I $$NOW-$P(F,"`",2)>3600 S N=0
 S ^VXSEC("F",K,KEY)=(N+1)_"`"_$$NOW
 Q
 ;
 ; --- sessions ---
 ;
 ; A user's sessions are kept in the order they expire, so that a login looks at no more than
 ; the newest SESSIONS: its cost does not grow with the day's logins.
NEWSESS(FI,US) ; a fresh session token for a successful login; the user's ended ones go
 N T,R,E,N
 S R=$&vxsec.random(.T) I R!($L(T)'=64) Q ""
 S N=0,E="" F  S E=$O(^VXSEC("SU",FI,US,E),-1) Q:E=""  D KEEP(FI,US,E,.N)
 S E=$$NOW+$$CONF("SESSION",28800)
 S ^VXSEC("S",T)=FI_"`"_US_"`"_E,^VXSEC("SU",FI,US,E,T)=""
 Q T
 ;
SESSIONS() Q 16 ; live sessions of one user: a handful of programs and their reconnections
 ;
KEEP(FI,US,E,N) ; counts the sessions expiring at E into N, newest first; ends the expired ones
 ; and those beyond SESSIONS
 N T S T=""
 F  S T=$O(^VXSEC("SU",FI,US,E,T)) Q:T=""  S N=N+1 D:(N'<$$SESSIONS)!(E<$$NOW) END(FI,US,E,T)
 Q
 ;
END(FI,US,E,T) ; ends session T of the user, which expires at E
 K ^VXSEC("S",T),^VXSEC("SU",FI,US,E,T)
 Q
 ;
UPGRADE ; at server start: sessions of a database from before their expiries were index keys
 N FI,US S FI=""
 F  S FI=$O(^VXSEC("SU",FI)) Q:FI=""  S US="" F  S US=$O(^VXSEC("SU",FI,US)) Q:US=""  D REINDEX(FI,US)
 Q
 ;
REINDEX(FI,US) ; the user's sessions indexed by token alone (which sort after every expiry)
 N T,E S T=""
 F  S T=$O(^VXSEC("SU",FI,US,T),-1) Q:T=""!(T=+T)  S E=$P($G(^VXSEC("S",T)),"`",3) D
 . K ^VXSEC("SU",FI,US,T) S:E'="" ^VXSEC("SU",FI,US,E,T)=""
 Q
 ;
RESUME(FI,US,T) ; 1 when T is a live session of that user, who is still active; it lives on
 N S,E
 I T'?64AN Q 0
 S S=$G(^VXSEC("S",T)),E=$P(S,"`",3)
 I S=""!($P(S,"`",1)'=FI)!($P(S,"`",2)'=US) D FAIL("A",VXS("PEER")) Q 0
 I E<$$NOW D END(FI,US,E,T) Q 0
 I '$$VALID(FI,US) Q 0
 I $P($G(^VXPERS(FI,US)),"`",3)'="J" Q 0
 K ^VXSEC("SU",FI,US,E,T)
 S E=$$NOW+$$CONF("SESSION",28800),$P(^VXSEC("S",T),"`",3)=E,^VXSEC("SU",FI,US,E,T)=""
 Q 1
 ;
 ; --- writes ---
 ;
WRITABLE ; a write may start only while the database is journaled: otherwise it could be lost
 I $VIEW("JNLACTIVE","DEFAULT")'=2 D LOG("write refused: journaling is off"),FAIL^VXUTIL(11)
 Q
 ;
JOURNALED ; after a commit: journaling that ended during it leaves the write unacknowledged
 I $VIEW("JNLACTIVE","DEFAULT")'=2 D LOG("journaling ended during a write"),FAIL^VXUTIL(11)
 Q
 ;
 ; --- log ---
 ;
LOG(T) ; one line in the server log (the listener's error output, rotated by ventor-server)
 N IO,$ET S IO=$IO,$ET="S $EC="""" U IO Q"
 O "/dev/stderr":(APPEND) U "/dev/stderr"
 W "vxgw[",$J,"] ",$G(VXS("PEER"))," ",T,!
 C "/dev/stderr" U IO
 Q
